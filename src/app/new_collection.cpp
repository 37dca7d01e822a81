#include "app/new_collection.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <utility>

#include "catalogue/rom_import.h"
#include "rtl/runtime_error.h"

namespace varnimo::app {

std::string NewCollectionIntro(bool replaces) {
    std::string text =
        "Varnimo lists the ROM files (.zip, .smc, .fig, .smd, .sfc, .swc) of a folder and makes "
        "your collection from them; other files (.7z, saves, readmes) are skipped. Screenshots "
        "are found by title: Named_Titles and Named_Snaps of a thumbnail set, or pictures named "
        "after the titles (.png, .jpg, .jpeg). DAT files of a dump set (the libretro database's "
        "genre, maxusers and no-intro files, or a No-Intro DAT) give the genre and players and "
        "list the games you are missing; with them every ROM file is read once.";
    if (replaces) {
        text +=
            "\n\nCreate replaces the collection; the emulator folders and the slideshow "
            "settings stay as they are.";
    }
    return text;
}

std::string JoinFileList(const std::vector<std::string>& files) {
    if (files.size() == 1)
        return files.front();
    std::string line;
    for (const std::string& file : files)
        line += (line.empty() ? "\"" : " \"") + file + "\"";
    return line;
}

std::vector<std::string> SplitFileList(std::string_view line) {
    // Between quotes a name; outside them blanks, or a bare name.
    constexpr std::string_view kBlanks = " \t\r\n\v\f";
    std::vector<std::string> files;
    bool quoted = false;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= line.size(); ++i) {
        if (i < line.size() && line[i] != '"')
            continue;
        std::string_view part = line.substr(start, i - start);
        if (!quoted) {
            const std::size_t first = part.find_first_not_of(kBlanks);
            part = first == std::string_view::npos
                       ? std::string_view()
                       : part.substr(first, part.find_last_not_of(kBlanks) - first + 1);
        }
        if (!part.empty())
            files.emplace_back(part);
        quoted = !quoted;
        start = i + 1;
    }
    return files;
}

namespace {

// Nothing was made: why, and where the way out is when a collection is there already.
std::string RefusalText(const catalogue::ImportRefusal& refusal) {
    if (!refusal.existing_file)
        return refusal.message;
    std::error_code ignored;
    return refusal.message + ": move it out of " +
           std::filesystem::current_path(ignored).generic_string() +
           " to make a new collection there";
}

}  // namespace

NewCollection::NewCollection(NewCollectionView& view, catalogue::RomImportRequest base)
    : view_(view), base_(std::move(base)) {}

NewCollection::~NewCollection() {
    if (worker_.joinable()) {
        worker_.join();
    }
}

void NewCollection::Create() {
    if (Importing()) {
        return;
    }
    catalogue::RomImportRequest request = base_;
    NewCollectionFields fields = view_.Fields();
    request.rom_folder = std::move(fields.rom_folder);
    request.screen_folder = std::move(fields.screen_folder);
    request.dat_files = std::move(fields.dat_files);
    if (const char* path = std::getenv("PATH")) {
        request.search_path = path;
    }
    // Each step of the bar in one event; a folder of many small files must not flood the
    // view's thread with one event per file.
    request.progress = [this](std::size_t done, std::size_t total) {
        if (done == total || done * 200 / total != (done - 1) * 200 / total) {
            view_.Post([this, done, total] {
                if (Importing()) {
                    view_.ShowProgress(done, total);
                }
            });
        }
    };

    view_.ShowBusy(true);
    auto import = [this, request = std::move(request)] {
        bool made = false;
        std::string text;
        try {
            const catalogue::RomImportOutcome outcome = catalogue::ImportRomFolder(request);
            made = outcome.Ok();
            text = made ? outcome.Value().Line() : RefusalText(outcome.Error());
        } catch (...) {
            // A write failed (what was there before is still there), or worse: this thread's
            // top, where the window's handler cannot see it, so the box says it instead.
            text = rtl::CurrentErrorText();
        }
        view_.Post([this, made, text] { Finished(made, text); });
    };
    try {
        worker_ = std::thread(std::move(import));
    } catch (const std::system_error& error) {
        Finished(false, error.what());  // no thread to run it on: nothing was made
    }
}

void NewCollection::Finished(bool made, const std::string& text) {
    if (worker_.joinable()) {
        worker_.join();
    }
    view_.ShowBusy(false);
    if (made) {
        view_.InfoBox(text);
        view_.Accept();
    } else {
        view_.ErrorBox(text);
    }
}

catalogue::RomImportRequest ImportAgainRequest(const settings::ProgramOptions& options,
                                               std::uint32_t interval, std::int32_t show_mode) {
    catalogue::RomImportRequest request;
    request.rom_folder = options.rom_folder;
    request.screen_folder = options.screen_folder;
    request.dat_files = catalogue::RememberedDatFiles();
    request.snes9x_folder = options.snes9x_folder;
    request.zsnes_folder = options.zsnes_folder;
    request.interval = interval;
    request.show_mode = show_mode;
    request.replace = true;
    request.remember_dat_files = true;
    return request;
}

}  // namespace varnimo::app
