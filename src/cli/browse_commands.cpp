#include "cli/browse_commands.h"

#include <cstdint>
#include <cstdio>
#include <string>

#include "cli/exit_status.h"
#include "cli/terminal_text.h"
#include "cli/window_session.h"

namespace varnimo::cli {
namespace {

// The start-up sequence, then the menu entries in the order given, then the search. False
// when the start-up ended the program.
bool StartBrowsing(WindowSession& session, const Browsing& browsing) {
    if (!session.Start()) {
        return false;
    }
    for (const MenuFilter& filter : browsing.filters) {
        session.ChooseMenuEntry(filter.group, filter.tag);
    }
    if (browsing.search_text) {
        session.Search(*browsing.search_text);
    }
    return true;
}

int ExitStatus(const WindowSession& session) {
    std::fflush(stdout);
    return session.ErrorShownSinceStart() ? kFailed : kCompleted;
}

void PrintCaptions(const TerminalView& view) {
    std::printf("%s\n%s\n%s\n", view.Caption(Control::filesize_label).c_str(),
                view.Caption(Control::genre_label).c_str(),
                view.Caption(Control::player_label).c_str());
}

// The screenshot's path is made of catalogue fields: shown as the terminal is to show it.
void PrintPicture(TerminalView& view, const TerminalText& out) {
    if (auto picture = view.TakePicture()) {
        std::printf("screen: %s\n", out(*picture).c_str());
    }
}

}  // namespace

int RunListCommand(const Browsing& browsing) {
    WindowSession session;
    if (!StartBrowsing(session, browsing)) {
        return kFailed;
    }
    // Written in pieces: a million titles gathered into one string first would take as much
    // memory again as the titles themselves.
    const TerminalText shown(stdout);
    std::string out;
    constexpr std::size_t kPiece = 256 * 1024;
    out.reserve(kPiece);
    for (std::int32_t row : session.ListedRows()) {
        shown.Append(out, session.TitleText(row));
        out.push_back('\n');
        if (out.size() >= kPiece) {
            std::fwrite(out.data(), 1, out.size(), stdout);
            out.clear();
        }
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
    const TerminalView& view = session.View();
    std::fprintf(stderr, "%s\n%s\n", view.Caption(Control::showing_counter).c_str(),
                 view.Caption(Control::rom_count_label).c_str());
    return ExitStatus(session);
}

int RunShowCommand(const Browsing& browsing, const ShowCommand& show) {
    WindowSession session;
    if (!StartBrowsing(session, browsing)) {
        return kFailed;
    }
    TerminalView& view = session.View();
    if (!session.SelectLine(show.line)) {
        // No title on that line: what the Run buttons say for no selection, as `launch` does;
        // there are no details to show.
        view.ErrorBox(kNoSelectionError);
        return ExitStatus(session);
    }
    const TerminalText shown(stdout);
    view.TakePicture();
    session.SelectionChanged();
    PrintCaptions(view);
    PrintPicture(view, shown);
    for (int tick = 0; tick < show.ticks; ++tick) {
        session.SlideshowTick();
        PrintPicture(view, shown);
    }
    return ExitStatus(session);
}

int RunLaunchCommand(const Browsing& browsing, const LaunchCommand& launch) {
    WindowSession session;
    if (!StartBrowsing(session, browsing)) {
        return kFailed;
    }
    session.SelectLine(launch.line);
    if (launch.dry_run) {
        session.View().SetDryRun(stdout);
    }
    // A selection update that fails (a ROM gone since the scan, a screenshot that cannot be
    // decoded) shows its error, but the line stays selected, so the Run button still starts
    // the emulator, as it does in the window.
    session.SelectionChanged();
    session.Launch(launch.emulator);
    return ExitStatus(session);
}

}  // namespace varnimo::cli
