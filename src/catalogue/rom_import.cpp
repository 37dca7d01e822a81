#include "catalogue/rom_import.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "catalogue/catalogue_file.h"
#include "catalogue/rom_scan.h"
#include "catalogue/title_index.h"
#include "rtl/files.h"
#include "rtl/runtime_error.h"
#include "rtl/text_file.h"
#include "settings/emulator_program.h"
#include "settings/program_options.h"

namespace varnimo::catalogue {

namespace {

constexpr std::uint32_t kImportedInterval = 2000;

// The ScanStatus an extension gives, or kNotFound for any other. Lower case only: the scan
// and the launch append exactly these.
std::int32_t StatusOfExtension(std::string_view extension) {
    if (extension == ".zip")
        return kFoundZip;
    if (extension == ".smc")
        return kFoundSmc;
    if (extension == ".fig")
        return kFoundFig;
    if (extension == ".smd")
        return kFoundSmd;
    return kNotFound;
}

// A ';' would split the catalogue line, a CR or LF would end it, and a Ctrl-Z would end the
// whole file when it is read back; an empty title names no file.
bool CanBeTitle(std::string_view title) {
    return !title.empty() &&
           title.find_first_of(std::string_view(";\r\n\x1a", 4)) == std::string_view::npos;
}

std::string WithSeparator(std::string folder) {
    if (folder.empty() || folder.back() != rtl::kPathSeparator)
        folder.push_back(rtl::kPathSeparator);
    return folder;
}

// Folders are stored whole, so the collection does not depend on where it is opened from.
std::string AbsoluteFolder(const std::string& folder) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(folder, error);
    return WithSeparator(error ? folder : absolute.lexically_normal().string());
}

// Lists a folder the import reads, or says why it cannot.
std::vector<rtl::FolderEntry> ListImportFolder(const std::string& what, const std::string& folder) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) {
        throw RomImportError(what + " " + folder + ": " + std::strerror(errno));
    }
    if (!S_ISDIR(info.st_mode)) {
        throw RomImportError(what + " " + folder + " is not a folder");
    }
    try {
        return rtl::ListFolder(folder);
    } catch (const rtl::EInOutError& error) {
        throw RomImportError("cannot read " + what + " " + folder + ": " +
                             std::strerror(error.ErrorCode()));
    }
}

// The files of one screenshot folder, by name. A missing subfolder holds nothing.
class NameSet {
  public:
    void Add(std::vector<rtl::FolderEntry> entries) {
        for (rtl::FolderEntry& entry : entries) {
            if (entry.IsFile)
                names_.insert(std::move(entry.Name));
        }
    }
    bool Has(const std::string& name) const { return names_.count(name) != 0; }
    bool Empty() const { return names_.empty(); }

  private:
    std::unordered_set<std::string> names_;
};

struct ScreenFolder {
    NameSet top;
    NameSet titles;
    NameSet snaps;
};

ScreenFolder ListScreenFolder(const std::string& folder) {
    ScreenFolder screens;
    const std::string what = "the screenshot folder";
    screens.top.Add(ListImportFolder(what, folder));
    for (auto [sub, set] : {std::pair{kTitleScreensFolder, &screens.titles},
                            std::pair{kInGameScreensFolder, &screens.snaps}}) {
        const std::string path = WithSeparator(folder) + std::string(sub);
        struct stat info {};
        if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
            set->Add(ListImportFolder(what, path));
        }
    }
    return screens;
}

// Sets the two screenshot fields of every row from what the screenshot folder holds: the
// thumbnail set's title screen and in-game picture, each else a picture named after the
// title. Returns how many rows got at least one.
std::size_t FindScreenshots(const ScreenFolder& screens, KnownRomTable& table) {
    std::size_t found = 0;
    std::string plain;
    for (std::size_t row = 0; row < table.Size(); ++row) {
        const std::string_view title = table.Title[row];
        plain.clear();
        for (const char* extension : {".png", ".jpg", ".jpeg"}) {
            std::string name = std::string(title) + extension;
            if (screens.top.Has(name)) {
                plain = std::move(name);
                break;
            }
        }
        std::string startup = plain;
        std::string ingame = plain;
        if (!screens.titles.Empty() || !screens.snaps.Empty()) {
            const std::string thumbnail = ThumbnailName(title) + ".png";
            if (screens.titles.Has(thumbnail)) {
                startup = std::string(kTitleScreensFolder) + rtl::kPathSeparator + thumbnail;
            }
            if (screens.snaps.Has(thumbnail)) {
                ingame = std::string(kInGameScreensFolder) + rtl::kPathSeparator + thumbnail;
            }
        }
        if (!startup.empty() || !ingame.empty())
            ++found;
        table.StartupShot[row] = startup;
        table.IngameShot[row] = ingame;
    }
    return found;
}

void RefuseExisting(const char* file, bool replace) {
    struct stat info {};
    if (!replace && ::stat(file, &info) == 0) {
        throw RomImportError(std::string(file) + " is there already", file);
    }
}

std::string Plural(std::size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

std::string ThumbnailName(std::string_view title) {
    std::string name(title);
    for (char& c : name) {
        if (std::strchr("&*/:<>?\\|\"`", c) != nullptr && c != '\0')
            c = '_';
    }
    return name;
}

KnownRomTable TitlesOfRomFolder(const std::string& rom_folder, RomImportSummary& summary) {
    struct Found {
        std::string title;
        std::int32_t status;
    };
    std::vector<Found> found;
    for (rtl::FolderEntry& entry : ListImportFolder("the ROM folder", rom_folder)) {
        if (!entry.IsFile) {
            ++summary.not_files;
            continue;
        }
        const std::size_t dot = entry.Name.rfind('.');
        const std::string_view extension = dot == std::string::npos
                                               ? std::string_view()
                                               : std::string_view(entry.Name).substr(dot);
        const std::int32_t status = StatusOfExtension(extension);
        if (status == kNotFound) {
            ++summary.other_extensions[std::string(extension)];
            continue;
        }
        entry.Name.resize(dot);
        if (!CanBeTitle(entry.Name)) {
            ++summary.unusable_names;
            continue;
        }
        found.push_back({std::move(entry.Name), status});
    }
    // One row per title; of several files of one title the lowest code wins, which is the
    // order .zip, .smc, .fig, .smd.
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        return a.title != b.title ? a.title < b.title : a.status < b.status;
    });
    found.erase(std::unique(found.begin(), found.end(),
                            [](const Found& a, const Found& b) { return a.title == b.title; }),
                found.end());

    // Rows in the order the list shows them, so the catalogue reads like the list.
    TextColumn titles;
    titles.resize(found.size());
    for (std::size_t i = 0; i < found.size(); ++i)
        titles.Set(i, found[i].title);
    TitleIndex index;
    index.Build(titles);
    KnownRomTable table;
    table.Resize(found.size());
    for (std::size_t i = 0; i < found.size(); ++i) {
        const Found& row = found[static_cast<std::size_t>(index.Order()[i])];
        table.Title.Set(i, row.title);
        table.ScanStatus[i] = row.status;
    }
    summary.titles = table.Size();
    return table;
}

RomImportSummary ImportRomFolder(const RomImportRequest& request) {
    RomImportSummary summary;
    KnownRomTable table = TitlesOfRomFolder(request.rom_folder, summary);
    std::optional<ScreenFolder> screens;
    if (!request.screen_folder.empty())
        screens = ListScreenFolder(request.screen_folder);
    for (const char* file : {settings::kOptionsFileName, kCatalogueFileName, kScanCacheFileName}) {
        RefuseExisting(file, request.replace);
    }
    if (screens)
        summary.with_screenshots = FindScreenshots(*screens, table);

    settings::ProgramOptions options;
    options.ScreenPath = request.screen_folder.empty() ? "" : AbsoluteFolder(request.screen_folder);
    options.RomPath = summary.rom_folder = AbsoluteFolder(request.rom_folder);
    auto emulator_folder = [&](const std::optional<std::string>& given,
                               settings::Emulator emulator) {
        if (given)
            return given->empty() ? std::string() : AbsoluteFolder(*given);
        return settings::FindEmulatorOnPath(emulator, request.search_path);
    };
    options.Snes9xPath = emulator_folder(request.snes9x_folder, settings::Emulator::Snes9x);
    options.ZsnesPath = emulator_folder(request.zsnes_folder, settings::Emulator::Zsnes);

    // All three files or none: a catalogue beside another import's options and cache would
    // report ROMs the collection does not have. The catalogue goes in place last, so a
    // collection is complete once it is there.
    rtl::TextFileSet files({settings::kOptionsFileName, kScanCacheFileName, kCatalogueFileName});
    settings::WriteOptionsLines(files.File(0), options, kImportedInterval, settings::Alternate);
    WriteScanCacheLines(table, files.File(1));
    rtl::TextFileWriter& catalogue = files.File(2);
    catalogue.WriteLine("0");
    std::string line;
    for (std::size_t row = 0; row < table.Size(); ++row) {
        line.assign(table.Title[row]).append(";").append(table.StartupShot[row]);
        line.append(";").append(table.IngameShot[row]).append(";0;0");
        catalogue.WriteLine(line);
    }
    files.Commit();
    return summary;
}

std::string RomImportSummary::Line() const {
    std::string line = "imported " + Plural(titles, "title", "titles") + " from " + rom_folder;
    if (titles == 0) {
        line += " (no .zip, .smc, .fig or .smd files there: the collection is empty)";
    } else {
        line += ", " + std::to_string(with_screenshots) + " with screenshots";
    }
    std::vector<std::string> skipped;
    std::size_t others = 0;
    std::string by_extension;
    for (const auto& [extension, count] : other_extensions) {
        others += count;
        if (!by_extension.empty())
            by_extension += ", ";
        by_extension += (extension.empty() ? std::string("no extension") : extension) + " " +
                        std::to_string(count);
    }
    if (others != 0) {
        skipped.push_back(Plural(others, "file", "files") + " the scan cannot find (" +
                          by_extension + ")");
    }
    if (unusable_names != 0) {
        skipped.push_back(Plural(unusable_names, "name", "names") +
                          " that cannot be a title (empty, or with ';', CR, LF or Ctrl-Z)");
    }
    if (not_files != 0) {
        skipped.push_back(
            Plural(not_files, "subfolder or other non-file", "subfolders or other non-files") +
            " (subfolders are not looked into)");
    }
    line += skipped.empty() ? "; nothing skipped" : "; skipped ";
    for (std::size_t i = 0; i < skipped.size(); ++i)
        line += (i == 0 ? "" : ", ") + skipped[i];
    return line;
}

}  // namespace varnimo::catalogue
