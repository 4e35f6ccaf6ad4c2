#pragma once
// The fixed-pitch font of every view whose columns are made with blanks.

#include <QFont>

namespace plat {

// A fixed-pitch font that this machine really has, at pointSize (0 or less: the size of the
// system's fixed font). The system's fixed font alone is not enough: with some common font
// packages installed it resolves to a family that is not fixed-pitch.
QFont fixedPitchFont(int pointSize = 0);

} // namespace plat
