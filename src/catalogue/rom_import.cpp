#include "catalogue/rom_import.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "catalogue/catalogue_file.h"
#include "catalogue/dat_file.h"
#include "catalogue/dat_merge.h"
#include "catalogue/rom_crc.h"
#include "catalogue/rom_scan.h"
#include "rtl/files.h"
#include "rtl/runtime_error.h"
#include "rtl/shared_work.h"
#include "rtl/text_file.h"
#include "settings/emulator_program.h"
#include "settings/program_options.h"

namespace varnimo::catalogue {

namespace {

// A name that fits on one line of a data file.
bool CanBeLine(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\x1a", 3)) == std::string_view::npos;
}

// A ';' would split the catalogue line, a CR or LF would end it, and a Ctrl-Z would end the
// whole file when it is read back; an empty title names no file.
bool CanBeTitle(std::string_view title) {
    return !title.empty() && CanBeLine(title) && title.find(';') == std::string_view::npos;
}

std::string WithSeparator(std::string folder) {
    if (folder.empty() || folder.back() != rtl::kPathSeparator)
        folder.push_back(rtl::kPathSeparator);
    return folder;
}

// Folders and files are stored whole, so the collection does not depend on where it is opened
// from.
std::string AbsolutePath(const std::string& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.lexically_normal().string();
}

std::string AbsoluteFolder(const std::string& folder) {
    return WithSeparator(AbsolutePath(folder));
}

rtl::Failure<ImportRefusal> Refused(std::string message) {
    return {{std::move(message), std::nullopt}};
}

// Lists a folder the import reads, or says why it cannot.
rtl::Result<std::vector<rtl::FolderEntry>, ImportRefusal> ListImportFolder(
    const std::string& what, const std::string& folder) {
    const rtl::PathStatus status = rtl::StatusOf(folder);
    if (status.kind == rtl::PathKind::None)
        return Refused(what + " " + folder + ": " + status.error.message());
    if (status.kind != rtl::PathKind::Folder)
        return Refused(what + " " + folder + " is not a folder");
    try {
        return rtl::ListFolder(folder);
    } catch (const rtl::InOutError& error) {
        // A folder that is there but cannot be listed (no permission) is refused as one that
        // is not there: nothing has been written yet.
        return Refused("cannot read " + what + " " + folder + ": " +
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

rtl::Result<ScreenFolder, ImportRefusal> ListScreenFolder(const std::string& folder) {
    ScreenFolder screens;
    const std::string what = "the screenshot folder";
    auto top = ListImportFolder(what, folder);
    if (!top)
        return rtl::Failure{top.Error()};
    screens.top.Add(std::move(top.Value()));
    for (auto [sub, set] : {std::pair{kTitleScreensFolder, &screens.titles},
                            std::pair{kInGameScreensFolder, &screens.snaps}}) {
        const std::string path = WithSeparator(folder) + std::string(sub);
        if (rtl::StatusOf(path).kind != rtl::PathKind::Folder)
            continue;
        auto listing = ListImportFolder(what, path);
        if (!listing)
            return rtl::Failure{listing.Error()};
        set->Add(std::move(listing.Value()));
    }
    return screens;
}

// Sets the two screenshot fields of every row: the thumbnail set's title screen and in-game
// picture, each else a picture named after the title, each else the name the thumbnail set
// would give it, so that a picture added later, or a screenshot folder set later, shows.
// Returns how many rows with a ROM file got at least one picture that is there.
std::size_t NameScreenshots(const ScreenFolder& screens, KnownRomTable& table) {
    std::size_t found = 0;
    std::string plain;
    for (std::size_t row = 0; row < table.Size(); ++row) {
        const std::string_view title = table.title[row];
        plain.clear();
        for (const char* extension : {".png", ".jpg", ".jpeg"}) {
            std::string name = std::string(title) + extension;
            if (screens.top.Has(name)) {
                plain = std::move(name);
                break;
            }
        }
        const std::string thumbnail = ThumbnailName(title) + ".png";
        bool any = false;
        auto pick = [&](const NameSet& set, std::string_view folder) {
            const bool in_set = set.Has(thumbnail);
            any = any || in_set || !plain.empty();
            return in_set || plain.empty() ? std::string(folder) + rtl::kPathSeparator + thumbnail
                                           : plain;
        };
        table.startup_shot[row] = pick(screens.titles, kTitleScreensFolder);
        table.ingame_shot[row] = pick(screens.snaps, kInGameScreensFolder);
        if (any && table.scan_status[row] != kNotFound)
            ++found;
    }
    return found;
}

std::string Plural(std::size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

// The ROM files of a folder's listing, one per title (of several files of one title the
// lowest code, which is the order .zip, .smc, .fig, .smd, .sfc, .swc), in title order; the
// rest goes into `summary`.
rtl::Result<std::vector<FoundRomFile>, ImportRefusal> RomFilesOfFolder(
    const std::string& rom_folder, RomImportSummary& summary) {
    auto listing = ListImportFolder("the ROM folder", rom_folder);
    if (!listing)
        return rtl::Failure{listing.Error()};
    std::vector<FoundRomFile> found;
    for (rtl::FolderEntry& entry : listing.Value()) {
        if (!entry.IsFile) {
            ++summary.not_files;
            continue;
        }
        const std::size_t dot = entry.Name.rfind('.');
        const std::string_view extension = dot == std::string::npos
                                               ? std::string_view()
                                               : std::string_view(entry.Name).substr(dot);
        const std::int32_t status = ScanStatusOfExtension(extension);
        if (status == kNotFound) {
            ++summary.other_extensions[std::string(extension)];
            continue;
        }
        entry.Name.resize(dot);
        if (!CanBeTitle(entry.Name)) {
            ++summary.unusable_names;
            continue;
        }
        found.push_back({std::move(entry.Name), status, std::nullopt});
    }
    std::sort(found.begin(), found.end(), [](const FoundRomFile& a, const FoundRomFile& b) {
        return a.title != b.title ? a.title < b.title : a.status < b.status;
    });
    found.erase(std::unique(found.begin(), found.end(),
                            [](const FoundRomFile& a, const FoundRomFile& b) {
                                return a.title == b.title;
                            }),
                found.end());
    return found;
}

rtl::Result<std::vector<std::vector<DatGame>>, ImportRefusal> ReadDats(
    const std::vector<std::string>& files) {
    std::vector<std::vector<DatGame>> dats;
    for (const std::string& file : files) {
        DatReading games = ReadDatFile(file);
        if (!games)
            return Refused(games.Error().message);
        dats.push_back(std::move(games.Value()));
    }
    return dats;
}

// Reads every file once for its CRC, on two threads: with the files in the page cache the CRC
// is what takes the time, and a second core halves it.
void ComputeCrcs(const std::string& rom_folder, std::vector<FoundRomFile>& files,
                 const std::function<void(std::size_t, std::size_t)>& progress) {
    const std::string folder = WithSeparator(rom_folder);
    std::mutex report;
    std::size_t done = 0;
    rtl::ShareWork(files.size(), [&](std::size_t k) {
        FoundRomFile& file = files[k];
        file.crc = RomFileCrc(folder + file.title + RomExtension(file.status), file.status);
        std::lock_guard<std::mutex> lock(report);
        ++done;
        if (progress)
            progress(done, files.size());
    });
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

RomImportOutcome ImportRomFolder(const RomImportRequest& request) {
    RomImportSummary summary;
    auto found = RomFilesOfFolder(request.rom_folder, summary);
    if (!found)
        return rtl::Failure{found.Error()};
    std::vector<FoundRomFile>& files = found.Value();
    if (files.empty()) {
        const std::string skipped = summary.Skipped();
        return Refused("the ROM folder " + request.rom_folder +
                       " holds no ROM files (.zip, .smc, .fig, .smd, .sfc or .swc)" +
                       (skipped.empty() ? "" : ": it holds " + skipped));
    }
    ScreenFolder screens;
    if (!request.screen_folder.empty()) {
        auto listed = ListScreenFolder(request.screen_folder);
        if (!listed)
            return rtl::Failure{listed.Error()};
        screens = std::move(listed.Value());
    }
    std::vector<std::string> dat_list;
    if (request.remember_dat_files) {
        for (const std::string& dat : request.dat_files) {
            dat_list.push_back(AbsolutePath(dat));
            if (!CanBeLine(dat_list.back())) {
                return Refused("the name of the DAT file " + dat +
                               " holds a line end or Ctrl-Z and cannot be remembered");
            }
        }
    }
    // The list of DAT files is only a note for the next import: it is replaced whatever.
    for (const char* file : {settings::kOptionsFileName, kCatalogueFileName, kScanCacheFileName}) {
        if (!request.replace && rtl::StatusOf(file).kind != rtl::PathKind::None)
            return rtl::Failure{ImportRefusal{std::string(file) + " is there already", file}};
    }
    auto read = ReadDats(request.dat_files);
    if (!read)
        return rtl::Failure{read.Error()};
    const std::vector<std::vector<DatGame>>& dats = read.Value();
    if (!dats.empty())
        ComputeCrcs(request.rom_folder, files, request.progress);

    MergedCatalogue merged = MergeCatalogue(dats, std::move(files));
    KnownRomTable& table = merged.table;
    summary.with_screenshots = NameScreenshots(screens, table);
    for (std::size_t row = 0; row < table.Size(); ++row) {
        if (table.scan_status[row] == kNotFound)
            continue;
        ++summary.titles;
        summary.with_genre += table.genre_code[row] != 0;
        summary.with_players += table.player_code[row] != 0;
    }
    summary.by_crc = merged.counts.by_crc;
    summary.by_name = merged.counts.by_name;
    summary.dats_read = dats.size();
    summary.known = merged.counts.known;
    summary.missing = merged.counts.missing;

    settings::ProgramOptions options;
    options.screen_folder =
        request.screen_folder.empty() ? "" : AbsoluteFolder(request.screen_folder);
    options.rom_folder = summary.rom_folder = AbsoluteFolder(request.rom_folder);
    auto emulator_folder = [&](const std::optional<std::string>& given,
                               settings::Emulator emulator) {
        if (given)
            return given->empty() ? std::string() : AbsoluteFolder(*given);
        return settings::FindEmulatorOnPath(emulator, request.search_path);
    };
    options.snes9x_folder = emulator_folder(request.snes9x_folder, settings::Emulator::Snes9x);
    options.zsnes_folder = emulator_folder(request.zsnes_folder, settings::Emulator::Zsnes);

    // All files or none: a catalogue beside another import's options and cache would report
    // ROMs the collection does not have. The catalogue goes in place last, so a collection is
    // complete once it is there.
    std::vector<std::string> paths = {settings::kOptionsFileName, kScanCacheFileName};
    if (request.remember_dat_files)
        paths.push_back(kDatListFileName);
    paths.push_back(kCatalogueFileName);
    rtl::TextFileSet set(paths);
    settings::WriteOptionsLines(set.File(0), options, request.interval, request.show_mode);
    WriteScanCacheLines(table, set.File(1));
    for (const std::string& dat : dat_list)
        set.File(2).WriteLine(dat);
    rtl::TextFileWriter& catalogue = set.File(paths.size() - 1);
    catalogue.WriteLine("0");
    std::string line;
    for (std::size_t row = 0; row < table.Size(); ++row) {
        line.assign(table.title[row]).append(";").append(table.startup_shot[row]);
        line.append(";").append(table.ingame_shot[row]).append(";");
        line.append(std::to_string(table.genre_code[row])).append(";");
        line.append(std::to_string(table.player_code[row]));
        catalogue.WriteLine(line);
    }
    set.Commit();
    return summary;
}

std::vector<std::string> RememberedDatFiles() {
    std::vector<std::string> files;
    if (!rtl::FileExists(kDatListFileName))
        return files;
    rtl::TextFileReader reader(kDatListFileName);
    while (!reader.Eof()) {
        const std::string_view line = reader.ReadLine();
        if (!line.empty())
            files.emplace_back(line);
    }
    return files;
}

std::string RomImportSummary::Skipped() const {
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
    if (others != 0)
        skipped.push_back(Plural(others, "other file", "other files") + " (" + by_extension + ")");
    if (unusable_names != 0) {
        skipped.push_back(Plural(unusable_names, "name", "names") +
                          " that cannot be a title (empty, or with ';', CR, LF or Ctrl-Z)");
    }
    if (not_files != 0) {
        skipped.push_back(
            Plural(not_files, "subfolder or other non-file", "subfolders or other non-files") +
            " (subfolders are not looked into)");
    }
    std::string text;
    for (std::size_t i = 0; i < skipped.size(); ++i)
        text += (i == 0 ? "" : ", ") + skipped[i];
    return text;
}

std::string RomImportSummary::Line() const {
    std::string line = "imported " + Plural(titles, "title", "titles") + " from " + rom_folder +
                       ", " + std::to_string(with_screenshots) + " with screenshots";
    if (dats_read != 0) {
        line += ", " + std::to_string(with_genre) + " with a genre, " +
                std::to_string(with_players) + " with players, " + std::to_string(by_crc) +
                " matched by CRC and " + std::to_string(by_name) + " by name";
        if (known != 0) {
            line += "; " + std::to_string(missing) + " of " +
                    Plural(known, "known game", "known games") + " missing";
        }
    }
    const std::string skipped = Skipped();
    return line + (skipped.empty() ? "; nothing skipped" : "; skipped " + skipped);
}

}  // namespace varnimo::catalogue
