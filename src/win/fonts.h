#pragma once
// The window is designed with Windows fonts ("MS Sans Serif", "Comic Sans MS"). Where one is
// missing (a Wine without the Microsoft fonts), the next installed family of the list takes
// over at the same pixel height, and the system's dialog font after that.

#include <initializer_list>

#include "gdi_objects.h"

namespace varnimo::win {

// The first of `families` that is installed, `pixel_height` pixels high (the character
// height, as a point size gives it at 96 dots per inch).
Font CreateFirstInstalledFont(std::initializer_list<const char*> families, int pixel_height);

// MS Sans Serif 8 point: every control's font.
Font CreateWindowFont();
// Comic Sans MS 9 point: the three detail lines.
Font CreateDetailFont();

// `from` in bold and/or underlined, the same face and size otherwise.
Font DerivedFont(HFONT from, bool bold, bool underline);

// Sizes a label to its caption in its font, keeping its top-left corner and height.
void FitLabelToText(HWND label);

}  // namespace varnimo::win
