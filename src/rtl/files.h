#pragma once
// File system questions the program asks.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace varnimo::rtl {

// The path separator of the platform, appended to chosen folders.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// True only when a file (not a folder) of exactly this name exists. An empty name is
// never a file.
bool FileExists(const std::string& path);

// Opens `path` and returns its size in bytes. Throws EInOutError when it cannot be opened.
std::int64_t FileSize(const std::string& path);

// One entry of a folder: its name exactly as the file system gives it, and whether it is a
// regular file (a symbolic link counts as what it points to, so a link to a file is a file
// and a dangling link is not).
struct FolderEntry {
    std::string Name;
    bool IsFile = false;
};

// Reads the listing of the folder `path` once ("." and ".." left out, in the file system's
// order). `path` may end with a separator; an empty path is the working directory, as for
// a bare file name. Throws EInOutError with the system error when the folder cannot be
// opened or read. Looking names up in one listing costs far fewer system calls than asking
// for each name, which matters on network shares and slow disks.
// ForEachFolderEntry calls on_entry(name, is_file) for every entry instead of keeping them.
void ForEachFolderEntry(const std::string& path,
                        const std::function<void(std::string_view name, bool is_file)>& on_entry);
inline std::vector<FolderEntry> ListFolder(const std::string& path) {
    std::vector<FolderEntry> entries;
    ForEachFolderEntry(path, [&entries](std::string_view name, bool is_file) {
        entries.push_back(FolderEntry{std::string(name), is_file});
    });
    return entries;
}

// The whole content of the file `path`, opened by exactly these bytes. Throws EInOutError
// when it cannot be opened or read.
std::string ReadFileBytes(const std::string& path);

// Puts the file `from` in the place of `to`, replacing a file of that name in one step.
// Returns 0, or the system's error number.
int RenameOver(const std::string& from, const std::string& to);

}  // namespace varnimo::rtl
