#include "catalogue/rom_scan.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "rtl/convert.h"
#include "rtl/files.h"
#include "rtl/runtime_error.h"
#include "rtl/text_file.h"

namespace varnimo::catalogue {

void ReadScanCache(KnownRomTable& table, const std::function<void()>& step,
                   const std::string& file) {
    rtl::TextFileReader reader(file);
    const std::size_t rows = table.Size();
    std::size_t i = 0;
    do {
        std::int32_t status = rtl::StrToInt(reader.ReadLine());
        // A cache written for a longer catalogue still has to be a valid cache, but its extra
        // lines have no row to go to.
        if (i < rows) {
            table.ScanStatus[i] = status;
        }
        ++i;
        step();
    } while (!reader.Eof());
}

namespace {

// Whether names in `folder` are matched without regard to letter case (as on the file
// systems of Windows, on many network shares and in case-folding folders): some entry with
// a letter is asked for under its name with the letters' case swapped.
bool IgnoresLetterCase(const std::string& folder, const std::vector<rtl::FolderEntry>& entries) {
    for (const rtl::FolderEntry& entry : entries) {
        std::string swapped = entry.Name;
        bool letters = false;
        for (char& c : swapped) {
            if (c >= 'a' && c <= 'z') {
                c = static_cast<char>(c - 'a' + 'A');
                letters = true;
            } else if (c >= 'A' && c <= 'Z') {
                c = static_cast<char>(c - 'A' + 'a');
                letters = true;
            }
        }
        if (!letters) {
            continue;
        }
        struct stat named {};
        struct stat other {};
        return ::lstat((folder + entry.Name).c_str(), &named) == 0 &&
               ::lstat((folder + swapped).c_str(), &other) == 0 && named.st_dev == other.st_dev &&
               named.st_ino == other.st_ino;
    }
    return false;  // no name has a letter, so the case of letters decides nothing here
}

}  // namespace

void ScanRomFolder(const std::string& rom_path, KnownRomTable& table,
                   const std::function<void()>& step) {
    // The names are RomPath + Title + ".zip": a folder and a file name in it. Reading the
    // folder's listing once and looking the names up in it gives the answer of one
    // existence test per title with one pass over the folder, which matters most on network
    // shares and slow disks. Names the listing cannot answer exactly are asked for one by
    // one: a title that reaches into another folder or holds a NUL byte (the system reads a
    // name only up to it), a path too long for the system, a folder that cannot be listed
    // or whose file system ignores letter case.
    const std::size_t slash = rom_path.rfind(rtl::kPathSeparator);
    const std::string folder = slash == std::string::npos ? "" : rom_path.substr(0, slash + 1);
    const std::string_view lead =
        std::string_view(rom_path).substr(slash == std::string::npos ? 0 : slash + 1);
    std::vector<rtl::FolderEntry> entries;
    // A folder that can be read but not searched lists names the system would not find.
    bool listed = rom_path.find('\0') == std::string::npos &&
                  ::access(folder.empty() ? "." : folder.c_str(), X_OK) == 0;
    if (listed) {
        try {
            entries = rtl::ListFolder(folder);
            listed = !IgnoresLetterCase(folder, entries);
        } catch (const rtl::EInOutError&) {
            listed = false;
        }
    }
    std::unordered_set<std::string_view> files;
    if (listed) {
        files.reserve(entries.size());
        for (const rtl::FolderEntry& entry : entries) {
            if (entry.IsFile) {
                files.insert(entry.Name);
            }
        }
    }
    std::string name;
    for (std::size_t i = 0; i < table.Size(); ++i) {
        step();
        const std::string_view title = table.Title[i];
        bool found = false;
        if (listed && title.find(rtl::kPathSeparator) == std::string_view::npos &&
            title.find('\0') == std::string_view::npos &&
            rom_path.size() + title.size() + 4 < PATH_MAX) {
            name.assign(lead).append(title).append(".zip");
            found = files.contains(name);
        } else {
            name.assign(rom_path).append(title).append(".zip");
            found = rtl::FileExists(name);
        }
        table.ScanStatus[i] = found ? kFoundZip : kNotFound;
    }
}

void WriteScanCache(const KnownRomTable& table, const std::string& file) {
    rtl::TextFileWriter writer(file);
    for (std::int32_t status : table.ScanStatus) {
        writer.WriteLine(std::to_string(status));
    }
    writer.Commit();
}

}  // namespace varnimo::catalogue
