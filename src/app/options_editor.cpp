#include "app/options_editor.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "app/main_window_logic.h"
#include "rtl/convert.h"
#include "rtl/files.h"

namespace varnimo::app {
namespace {

const char* const kNoPath = "- no path selected -";
const char* const kNoEmulator = "- no emulator executeable selected -";

const std::string& Shown(const std::string& path, const std::string& when_empty) {
    return path.empty() ? when_empty : path;
}

}  // namespace

OptionsEditor::OptionsEditor(OptionsView& view, MainWindowLogic& logic)
    : view_(view), logic_(logic) {}

void OptionsEditor::Refill() {
    // Before any options were read the controls keep what they show, choices made with the
    // Change buttons included.
    if (!logic_.OptionsLoaded()) {
        return;
    }
    const std::string no_path = kNoPath;
    const std::string no_emulator = kNoEmulator;
    const settings::ProgramOptions& options = logic_.Options();
    view_.SetFolderText(OptionsFolder::Screenshots, Shown(options.screen_folder, no_path));
    view_.SetFolderText(OptionsFolder::Roms, Shown(options.rom_folder, no_path));
    view_.SetFolderText(OptionsFolder::Snes9x, Shown(options.snes9x_folder, no_emulator));
    view_.SetFolderText(OptionsFolder::Zsnes, Shown(options.zsnes_folder, no_emulator));

    // A new position runs the change event, which rounds the interval to whole seconds.
    const std::uint32_t seconds = logic_.SlideshowInterval() / 1000;
    SetSecondsPosition(static_cast<int>(
        std::min<std::uint32_t>(seconds, static_cast<std::uint32_t>(kLongestSlideshowSeconds))));

    logic_.SetShowMode(logic_.ModeText().empty() ? settings::kShowAlternate
                                                 : rtl::StrToInt(logic_.ModeText()));
    if (logic_.ShowMode() == settings::kShowIngameOnly) {
        Mark(SlideshowChoice::IngameOnly);
    }
    // Read again: marking runs an event that sets the mode itself.
    if (logic_.ShowMode() == settings::kShowStartupOnly) {
        Mark(SlideshowChoice::StartupOnly);
    }
}

void OptionsEditor::ChooseFolder(OptionsFolder folder) {
    switch (folder) {
        case OptionsFolder::Screenshots:
            ChoosePlainFolder(folder, "Please locate the screenshots.",
                              &settings::ProgramOptions::screen_folder);
            return;
        case OptionsFolder::Roms:
            ChoosePlainFolder(folder, "Please locate your Roms.",
                              &settings::ProgramOptions::rom_folder);
            return;
        case OptionsFolder::Snes9x:
            ChooseEmulatorFolder(folder, settings::Emulator::Snes9x,
                                 "Please locate the Snes9X Folder.", "Could not find Snes9X!",
                                 &settings::ProgramOptions::snes9x_folder);
            return;
        case OptionsFolder::Zsnes:
            ChooseEmulatorFolder(folder, settings::Emulator::Zsnes,
                                 "Please locate the ZSNES Folder.", "Could not find ZSNES!",
                                 &settings::ProgramOptions::zsnes_folder);
            return;
    }
}

void OptionsEditor::SetPath(std::string settings::ProgramOptions::*path, std::string value) {
    settings::ProgramOptions options = logic_.Options();
    options.*path = std::move(value);
    logic_.SetOptions(options);
}

void OptionsEditor::ChoosePlainFolder(OptionsFolder folder, const char* instruction,
                                      std::string settings::ProgramOptions::*path) {
    const std::optional<std::string> chosen = view_.AskFolder(instruction);
    if (!chosen || chosen->empty()) {
        return;
    }
    view_.SetFolderText(folder, *chosen);
    // Always one separator more, a root's own included: readers append names directly.
    SetPath(path, *chosen + rtl::kPathSeparator);
}

void OptionsEditor::ChooseEmulatorFolder(OptionsFolder folder, settings::Emulator emulator,
                                         const char* instruction, const char* not_found,
                                         std::string settings::ProgramOptions::*path) {
    for (;;) {
        const std::optional<std::string> chosen = view_.AskFolder(instruction);
        if (!chosen || chosen->empty()) {
            return;  // the path keeps the last folder tried
        }
        const std::string with_separator = *chosen + rtl::kPathSeparator;
        SetPath(path, with_separator);
        // A folder is taken only when it holds a program the Run button can start.
        if (!settings::FindEmulatorProgram(with_separator, emulator).empty()) {
            view_.SetFolderText(folder, *chosen);
            return;
        }
        view_.ErrorBox(not_found);
    }
}

void OptionsEditor::SetSecondsPosition(int seconds) {
    seconds = std::clamp(seconds, 0, kLongestSlideshowSeconds);
    if (seconds == view_.SecondsPosition()) {
        return;
    }
    view_.SetSecondsPosition(seconds);
    SecondsChanged(seconds);
}

void OptionsEditor::Mark(SlideshowChoice choice) {
    // Marking one button of the pair unmarks the other before this one's event runs.
    if (view_.IsMarked(choice)) {
        return;
    }
    view_.SetMarked(choice, true);
    if (choice == SlideshowChoice::StartupOnly) {
        ChooseStartupOnly();
    } else {
        ChooseIngameOnly();
    }
}

void OptionsEditor::Unmark(SlideshowChoice choice) {
    if (view_.IsMarked(choice)) {
        view_.SetMarked(choice, false);
    }
}

void OptionsEditor::SecondsChanged(int seconds) {
    logic_.SetSlideshowInterval(static_cast<std::uint32_t>(seconds) * 1000u);
    Unmark(SlideshowChoice::StartupOnly);
    if (seconds == 0) {
        // A stopped slideshow shows the title screen only, but the mode stays Alternate.
        Mark(SlideshowChoice::StartupOnly);
    } else {
        Unmark(SlideshowChoice::IngameOnly);
    }
    logic_.SetShowMode(settings::kShowAlternate);
}

void OptionsEditor::ChooseStartupOnly() {
    logic_.SetSlideshowInterval(0);
    SetSecondsPosition(0);
    Mark(SlideshowChoice::StartupOnly);  // the track bar's event may have unmarked it
    logic_.SetShowMode(settings::kShowStartupOnly);
}

void OptionsEditor::ChooseIngameOnly() {
    logic_.SetSlideshowInterval(0);
    SetSecondsPosition(0);
    Mark(SlideshowChoice::IngameOnly);  // the track bar's event marked the other one
    logic_.SetShowMode(settings::kShowIngameOnly);
}

void OptionsEditor::Save() {
    // The emulator edits accept typing, but only the Change buttons set the paths.
    switch (
        settings::SaveOptions(logic_.Options(), logic_.SlideshowInterval(), logic_.ShowMode())) {
        case settings::SaveStatus::Saved:
            view_.InfoBox(settings::kOptionsSaved);
            return;
        case settings::SaveStatus::NoFolder:
            view_.ErrorBox(settings::kSaveNeedsAFolder);
            return;
    }
}

void OptionsEditor::Load() {
    settings::ProgramOptions options = logic_.Options();
    std::string mode_text = logic_.ModeText();
    if (settings::LoadDialogOptions(options, mode_text) == settings::OptionsFileStatus::Missing) {
        view_.ErrorBox(settings::kDialogOptionsMissing);
        return;
    }
    view_.InfoBox(settings::kOptionsLoaded);
    logic_.TakeLoadedOptions(options, std::move(mode_text));
    Refill();
}

void OptionsEditor::Exit() {
    view_.Close();
}

}  // namespace varnimo::app
