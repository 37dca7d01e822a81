#include "app/new_collection.h"

#include <cstdlib>
#include <exception>
#include <filesystem>
#include <system_error>
#include <utility>

#include "catalogue/rom_import.h"

namespace varnimo::app {

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
            text = catalogue::ImportRomFolder(request).Line();
            made = true;
        } catch (const catalogue::RomImportError& error) {
            // Nothing was made: say why and let the user choose again.
            text = error.what();
            if (!error.ExistingFile().empty()) {
                std::error_code ignored;
                text += ": move it out of " +
                        std::filesystem::current_path(ignored).generic_string() +
                        " to make a new collection there";
            }
        } catch (const std::exception& error) {
            text = error.what();  // a write failed; what was there before is still there
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
