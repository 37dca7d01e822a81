#pragma once
// The windows are designed with Windows fonts ("MS Sans Serif", "Comic Sans MS", "Arial").

class QWidget;

namespace varnimo::ui {

// Where the designed font is missing, DejaVu Sans and then the platform's sans take over at
// the same point size, keeping weight and underline.
void AddPlatformFallback(QWidget* widget);

}  // namespace varnimo::ui
