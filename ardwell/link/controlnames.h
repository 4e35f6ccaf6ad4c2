#pragma once
// The names of the main window's controls, control arrays with their index ranges. The window
// registers exactly these (a test holds it to that), and logic tests build their MemoryView from
// the same list, so a name the window lacks fails a test instead of going nowhere.

#include "platform/view.h"

namespace ardwell {

// The window's own name, as unknown-control reports give it.
inline const QString kMainWindowName = QStringLiteral("frmMain");

plat::ControlNames frmMainControlNames();

// A MemoryView that knows the main window's controls.
plat::MemoryView mainWindowMemoryView();

} // namespace ardwell
