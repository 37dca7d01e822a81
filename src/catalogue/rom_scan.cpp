#include "catalogue/rom_scan.h"

#include <algorithm>
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
            table.scan_status[i] = status;
        }
        ++i;
        step();
    } while (!reader.Eof());
}

namespace {

bool HasLetter(std::string_view name) {
    for (char c : name) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
            return true;
        }
    }
    return false;
}

// The regular files of a folder listing, for looking names up. The names lie one after
// another in one buffer, each behind its length in two bytes; an open-addressing table over
// a power of two holds in each slot the upper bits of a name's hash beside where the name
// lies plus one (0 is an empty slot). A look-up then reads one slot and, only when the hash
// bits agree, one name: two places in memory, both fetched ahead.
class FileNames {
  public:
    // Room for the names of a folder whose entries take about `bytes` bytes (a folder's own
    // size tells that on most file systems; the buffer grows past it where it does not).
    void Reserve(std::size_t bytes) {
        names_.reserve(std::min<std::size_t>(bytes, std::size_t{1} << 30));
    }
    // False when the name cannot be held (longer than two bytes can say, or the buffer beyond
    // what a slot can point at): the listing then cannot answer for this folder.
    bool Add(std::string_view name) {
        if (name.size() > 0xFFFF || names_.size() + name.size() + 2 >= kPlaceMask) {
            return false;
        }
        const auto size = static_cast<std::uint16_t>(name.size());
        names_.push_back(static_cast<char>(size & 0xFF));
        names_.push_back(static_cast<char>(size >> 8));
        names_.append(name.data(), name.size());
        ++count_;
        return true;
    }
    // Builds the table; call once after the last Add.
    void Index() {
        std::size_t size = 16;
        while (size < 2 * count_) {
            size *= 2;
        }
        slots_.assign(size, 0);
        // The slots are written all over the table: each is fetched a few names ahead.
        constexpr std::size_t kAhead = 16;
        std::uint64_t ahead[kAhead];
        std::size_t ahead_place[kAhead];
        std::size_t place = 0;
        const std::size_t end = names_.size();
        for (std::size_t k = 0; k < kAhead + count_; ++k) {
            const std::size_t slot = k % kAhead;
            if (k >= kAhead) {
                std::size_t at = ahead[slot] & (size - 1);
                while (slots_[at] != 0) {
                    at = (at + 1) & (size - 1);
                }
                slots_[at] = (ahead[slot] & ~kPlaceMask) | (ahead_place[slot] + 1);
            }
            if (place < end) {
                const std::string_view name = NameAt(place);
                ahead[slot] = Hash(name);
                ahead_place[slot] = place;
                __builtin_prefetch(&slots_[ahead[slot] & (size - 1)], 1);
                place += 2 + name.size();
            }
        }
    }
    static std::uint64_t Hash(std::string_view name) { return std::hash<std::string_view>{}(name); }
    // Fetching ahead of a look-up: the slot (stage 0), then the name it leads to (stage 1),
    // from the slot the stage before brought in.
    void Prefetch(std::uint64_t hash, int stage) const {
        const std::uint64_t& slot = slots_[hash & (slots_.size() - 1)];
        if (stage == 0) {
            __builtin_prefetch(&slot);
        } else if (slot != 0) {
            __builtin_prefetch(names_.data() + (slot & kPlaceMask) - 1);
        }
    }
    bool Contains(std::string_view name, std::uint64_t hash) const {
        for (std::size_t at = hash & (slots_.size() - 1); slots_[at] != 0;
             at = (at + 1) & (slots_.size() - 1)) {
            if ((slots_[at] & ~kPlaceMask) == (hash & ~kPlaceMask) &&
                NameAt((slots_[at] & kPlaceMask) - 1) == name) {
                return true;
            }
        }
        return false;
    }

  private:
    // The lower 40 bits of a slot say where a name lies (plus one); the upper 24 are hash.
    static constexpr std::uint64_t kPlaceMask = (std::uint64_t{1} << 40) - 1;

    std::string_view NameAt(std::size_t place) const {
        const auto size = static_cast<std::size_t>(static_cast<unsigned char>(names_[place])) |
                          static_cast<std::size_t>(static_cast<unsigned char>(names_[place + 1]))
                              << 8;
        return std::string_view(names_.data() + place + 2, size);
    }

    std::string names_;
    std::size_t count_ = 0;
    std::vector<std::uint64_t> slots_;
};

}  // namespace

void ScanRomFolder(const std::string& rom_path, KnownRomTable& table,
                   const std::function<void()>& step) {
    // The names are RomPath + Title + ".zip": a folder and a file name in it. Reading the
    // folder's listing once and looking the names up in it gives the answer of one
    // existence test per title with one pass over the folder, which matters most on network
    // shares and slow disks. Names the listing cannot answer exactly are asked for one by
    // one: a title that reaches into another folder, a path too long for the system, a
    // folder that cannot be listed or whose file system ignores letter case. A name holding
    // a NUL byte is in no listing and names no file, so both ways find nothing for it.
    const std::size_t slash = rom_path.rfind(rtl::kPathSeparator);
    const std::string folder = slash == std::string::npos ? "" : rom_path.substr(0, slash + 1);
    const std::string_view lead =
        std::string_view(rom_path).substr(slash == std::string::npos ? 0 : slash + 1);
    FileNames files;
    bool listed = rtl::CanSearchFolder(folder);
    if (listed) {
        std::string probe;  // a name with a letter, to learn how the folder matches names
        files.Reserve(rtl::FolderBytes(folder));
        try {
            bool held = true;
            rtl::ForEachFolderEntry(folder, [&](std::string_view name, bool is_file) {
                if (is_file && held) {
                    held = files.Add(name);
                }
                if (probe.empty() && HasLetter(name)) {
                    probe = name;
                }
            });
            listed = held && !rtl::NamesIgnoreLetterCase(folder, probe);
        } catch (const rtl::InOutError&) {
            listed = false;
        }
    }
    if (listed) {
        files.Index();
    }
    const std::size_t rows = table.Size();
    auto in_listing = [&](std::string_view title) {
        return listed && title.find(rtl::kPathSeparator) == std::string_view::npos &&
               rom_path.size() + title.size() + 4 < rtl::kLongestPath;
    };
    std::string name;
    auto listing_name = [&](std::size_t row) -> const std::string& {
        return name.assign(lead).append(table.title[row]).append(".zip");
    };
    // The names' hashes first, so that each look-up can fetch what it needs a few rows ahead:
    // the slots and names lie all over memory.
    std::vector<std::uint64_t> hashes(listed ? rows : 0);
    for (std::size_t i = 0; i < hashes.size(); ++i) {
        hashes[i] = FileNames::Hash(listing_name(i));
    }
    constexpr std::size_t kAhead[] = {16, 8};
    for (std::size_t i = 0; i < rows; ++i) {
        step();
        for (int stage = 0; stage < 2; ++stage) {
            if (i + kAhead[stage] < hashes.size()) {
                files.Prefetch(hashes[i + kAhead[stage]], stage);
            }
        }
        const std::string_view title = table.title[i];
        bool found = false;
        if (in_listing(title)) {
            found = files.Contains(listing_name(i), hashes[i]);
        } else {
            name.assign(rom_path).append(title).append(".zip");
            found = rtl::FileExists(name);
        }
        table.scan_status[i] = found ? kFoundZip : kNotFound;
    }
}

void WriteScanCache(const KnownRomTable& table, const std::string& file) {
    rtl::TextFileWriter writer(file);
    WriteScanCacheLines(table, writer);
    writer.Commit();
}

void WriteScanCacheLines(const KnownRomTable& table, rtl::TextFileWriter& writer) {
    for (std::int32_t status : table.scan_status) {
        writer.WriteLine(std::to_string(status));
    }
    // The reader takes an empty file as one empty line, which is no number, so a cache of an
    // empty catalogue would stop every later start. One "0" line belongs to no row and reads.
    if (table.scan_status.empty()) {
        writer.WriteLine("0");
    }
}

}  // namespace varnimo::catalogue
