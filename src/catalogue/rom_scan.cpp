#include "catalogue/rom_scan.h"

#include <sys/stat.h>

#include <climits>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
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
#ifdef _WIN32
    // Windows file systems ignore letter case as a rule.
    (void)folder;
    (void)entries;
    return true;
#else
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
#endif
}

// The file names of a listing, for looking names up: open addressing over a power-of-two
// table, each slot the upper half of the name's hash beside the entry's number plus one (0
// is an empty slot), so that only a name with the same hash is compared byte by byte.
class FileNames {
  public:
    explicit FileNames(const std::vector<rtl::FolderEntry>& entries) : entries_(entries) {
        std::size_t size = 16;
        while (size < 2 * entries.size()) {
            size *= 2;
        }
        slots_.assign(size, 0);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (entries[i].IsFile) {
                const std::uint64_t hash = Hash(entries[i].Name);
                std::size_t at = hash & (slots_.size() - 1);
                while (slots_[at] != 0) {
                    at = (at + 1) & (slots_.size() - 1);
                }
                slots_[at] = (hash & kHashBits) | (i + 1);
            }
        }
    }
    static std::uint64_t Hash(std::string_view name) { return std::hash<std::string_view>{}(name); }
    // Fetching ahead of a look-up: the slot (stage 0), then the entry it names (1), then the
    // entry's name (2), each from what the stage before brought in.
    void Prefetch(std::uint64_t hash, int stage) const {
        const std::size_t at = hash & (slots_.size() - 1);
        if (stage == 0) {
            __builtin_prefetch(&slots_[at]);
        } else if (slots_[at] != 0) {
            const rtl::FolderEntry& entry = entries_[(slots_[at] & ~kHashBits) - 1];
            __builtin_prefetch(stage == 1 ? static_cast<const void*>(&entry)
                                          : static_cast<const void*>(entry.Name.data()));
        }
    }
    bool Contains(std::string_view name, std::uint64_t hash) const {
        for (std::size_t at = hash & (slots_.size() - 1); slots_[at] != 0;
             at = (at + 1) & (slots_.size() - 1)) {
            if ((slots_[at] & kHashBits) == (hash & kHashBits) &&
                entries_[(slots_[at] & ~kHashBits) - 1].Name == name) {
                return true;
            }
        }
        return false;
    }

  private:
    static constexpr std::uint64_t kHashBits = 0xFFFFFFFF00000000u;

    const std::vector<rtl::FolderEntry>& entries_;
    std::vector<std::uint64_t> slots_;
};

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
    const FileNames files(entries);
    const std::size_t rows = table.Size();
    auto in_listing = [&](std::string_view title) {
        return listed && title.find(rtl::kPathSeparator) == std::string_view::npos &&
               title.find('\0') == std::string_view::npos &&
               rom_path.size() + title.size() + 4 < PATH_MAX;
    };
    std::string name;
    auto listing_name = [&](std::size_t row) -> const std::string& {
        return name.assign(lead).append(table.Title[row]).append(".zip");
    };
    // The names' hashes first, so that each look-up can fetch what it needs a few rows ahead:
    // the slots and names lie all over memory.
    std::vector<std::uint64_t> hashes(listed ? rows : 0);
    for (std::size_t i = 0; i < hashes.size(); ++i) {
        hashes[i] = FileNames::Hash(listing_name(i));
    }
    constexpr std::size_t kAhead[] = {12, 8, 4};
    for (std::size_t i = 0; i < rows; ++i) {
        step();
        for (int stage = 0; stage < 3; ++stage) {
            if (i + kAhead[stage] < hashes.size()) {
                files.Prefetch(hashes[i + kAhead[stage]], stage);
            }
        }
        const std::string_view title = table.Title[i];
        bool found = false;
        if (in_listing(title)) {
            found = files.Contains(listing_name(i), hashes[i]);
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
    // The reader takes an empty file as one empty line, which is no number, so a cache of an
    // empty catalogue would stop every later start. One "0" line belongs to no row and reads.
    if (table.ScanStatus.empty()) {
        writer.WriteLine("0");
    }
    writer.Commit();
}

}  // namespace varnimo::catalogue
