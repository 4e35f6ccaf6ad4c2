#pragma once
// Captions that fit their controls. The windows place their controls at design positions and
// sizes worked out for one font; on another font or platform a caption may need more room. A
// label or button kept fitted grows to the right (and down) from the position it was given, as
// far as its parent and the controls beside it leave room, and where that is not enough its font
// is made smaller, so no caption is ever cut. Controls a layout places are left to the layout.

#include <QString>

class QWidget;

namespace plat {

// The most characters a control is given to show. Laying out a text costs time in its length,
// and a control is laid out again each time it is fitted or drawn; no window of the programs has
// room for a text this long even at the smallest font, so a longer one (a damaged file's line)
// is shown cut to it. Whoever set the text keeps the whole of it.
constexpr qsizetype kLongestShownText = 4096;
inline QString shownText(const QString& text) { return text.size() > kLongestShownText ? text.left(kLongestShownText) : text; }

// Fits w now (a QLabel or QAbstractButton; anything else is left alone). A caption longer than
// kLongestShownText is cut to it first.
void fitCaption(QWidget* w);
// Fits w whenever it is shown, resized or given another text or font, or its parent changes
// size. NamedControls does this for every label and button it registers.
void keepCaptionFitted(QWidget* w);

} // namespace plat
