#include "cli/import_command.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "catalogue/rom_import.h"
#include "cli/exit_status.h"
#include "cli/terminal_text.h"

namespace varnimo::cli {

namespace {

constexpr const char* kImportUsage =
    "usage: varnimo-cli [-C DIR] import ROMDIR [--dat FILE]... [--screens DIR] [--snes9x DIR]\n"
    "                   [--zsnes DIR] [--force]\n"
    "\n"
    "Makes a collection in the working directory from the ROM files (.zip, .smc, .fig, .smd,\n"
    ".sfc, .swc) in ROMDIR: SNES_screens.dat with one line per title, scanned.dat and\n"
    "options.dat. Other files (.7z, .srm, readmes) are skipped and counted.\n"
    "  --dat FILE      a DAT file of a dump set (clrmamepro text or Logiqx XML), e.g. the\n"
    "                  libretro database's metadat/genre, metadat/maxusers and\n"
    "                  metadat/no-intro files: genre and players come from them, and every\n"
    "                  game a No-Intro DAT lists is a title, the ones you lack as missing.\n"
    "                  With DAT files each ROM file is read once for its CRC.\n"
    "  --screens DIR   screenshot folder: Named_Titles/ and Named_Snaps/ of a thumbnail set,\n"
    "                  or pictures named after the titles (.png, .jpg, .jpeg)\n"
    "  --snes9x DIR    Snes9X folder (else the one of snes9x or snes9x-gtk on PATH)\n"
    "  --zsnes DIR     ZSNES folder (else the one of zsnesw or zsnes on PATH)\n"
    "  --force         replace data files that are there already\n";

// The reading of the ROM files, on one terminal line that is written over, for imports long
// enough to wait for; nothing when stderr is no terminal (a log gets no carriage returns).
class ProgressLine {
  public:
    ProgressLine() : start_(Clock::now()), last_(start_) {}
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;
    ~ProgressLine() {
        if (width_ != 0)
            std::fprintf(stderr, "\r%*s\r", width_, "");
    }
    void Show(std::size_t done, std::size_t total) {
        const Clock::time_point now = Clock::now();
        if (now - start_ < std::chrono::milliseconds(300) ||
            (now - last_ < std::chrono::milliseconds(100) && done != total)) {
            return;
        }
        last_ = now;
        const int width =
            std::fprintf(stderr, "\rreading ROM files for their CRC: %zu of %zu", done, total);
        std::fflush(stderr);
        if (width > width_)
            width_ = width;
    }

  private:
    using Clock = std::chrono::steady_clock;
    Clock::time_point start_;
    Clock::time_point last_;
    int width_ = 0;
};

}  // namespace

const char* ImportUsageText() {
    return kImportUsage;
}

int RunImportCommand(const ImportCommand& import) {
    catalogue::RomImportRequest request = import.request;
    if (const char* path = std::getenv("PATH"))
        request.search_path = path;

    // The progress line is cleared before anything else is printed. A write that fails
    // raises a runtime error, which main's handler shows as an error line.
    const catalogue::RomImportOutcome outcome = [&] {
        ProgressLine line;
        if (TerminalText(stderr).IsTerminal()) {
            request.progress = [&line](std::size_t done, std::size_t total) {
                line.Show(done, total);
            };
        }
        return catalogue::ImportRomFolder(request);
    }();
    if (!outcome) {
        const catalogue::ImportRefusal& refusal = outcome.Error();
        std::fprintf(stderr, "error: %s%s\n", TerminalText(stderr)(refusal.message).c_str(),
                     refusal.existing_file ? " (--force replaces it)" : "");
        return kFailed;
    }
    std::printf("%s\n", TerminalText(stdout)(outcome.Value().Line()).c_str());
    return kCompleted;
}

}  // namespace varnimo::cli
