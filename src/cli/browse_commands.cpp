#include "cli/browse_commands.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

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

void PrintLines(const std::vector<std::string>& lines, std::FILE* out) {
    for (const std::string& line : lines) {
        std::fprintf(out, "%s\n", line.c_str());
    }
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
    PrintLines(session.CounterLines(), stderr);
    return ExitStatus(session);
}

int RunShowCommand(const Browsing& browsing, const ShowCommand& show) {
    WindowSession session;
    if (!StartBrowsing(session, browsing)) {
        return kFailed;
    }
    if (!session.SelectLine(show.line)) {
        // No title on that line: what the Run buttons say for no selection, as `launch` does;
        // there are no details to show.
        session.ShowNoSelectionError();
        return ExitStatus(session);
    }
    TerminalView& view = session.View();
    const TerminalText shown(stdout);
    view.TakePicture();
    session.SelectionChanged();
    PrintLines(session.DetailLines(), stdout);
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
