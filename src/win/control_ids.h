#pragma once
// The child windows of the main window by their control id (GetDlgItem), in tab order first.
// The id is also what a test or an accessibility tool finds a control by.

namespace varnimo::win {

enum class ControlId : int {
    TitleList = 100,
    RunSnes9x,
    RomCountPanel,    // raised silver panel around the ROM count
    ScreenshotPanel,  // raised panel around the screenshot
    SearchBox,
    ClearButton,
    RunZsnes,
    ProgressBar,
    LoadingButton,
    ShowingCounter,
    FileSizeLabel,
    GenreLabel,
    PlayerLabel,
    RomCountLabel,  // inside RomCountPanel
    Screenshot,     // inside ScreenshotPanel
    SearchLabel,    // hidden: the search box's name for screen readers
};

constexpr int Id(ControlId control) {
    return static_cast<int>(control);
}

}  // namespace varnimo::win
