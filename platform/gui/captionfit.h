#pragma once
// Captions that fit their controls. The windows place their controls at design positions and
// sizes worked out for one font; on another font or platform a caption may need more room. A
// label or button kept fitted grows to the right (and down) from the position it was given, as
// far as its parent and the controls beside it leave room, and where that is not enough its font
// is made smaller, so no caption is ever cut. Controls a layout places are left to the layout.

class QWidget;

namespace plat {

// Fits w now (a QLabel or QAbstractButton; anything else is left alone).
void fitCaption(QWidget* w);
// Fits w whenever it is shown, resized or given another text or font, or its parent changes
// size. NamedControls does this for every label and button it registers.
void keepCaptionFitted(QWidget* w);

} // namespace plat
