#pragma once
// File system questions the program asks.

#include <cstdint>
#include <functional>
#include <optional>
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

// A name that holds a NUL byte names no file: the system would read it only up to the NUL,
// and so answer for another file. Every function here that hands a name to the system asks
// this first, so that no caller can forget it: such a name does not exist, cannot be
// opened (EInOutError with the system's "no such file" number), listed or started.
inline bool HoldsNul(std::string_view path) {
    return path.find('\0') != std::string_view::npos;
}

// True only when a regular file (not a folder, a pipe or a device) of exactly this name
// exists. An empty name is never a file.
bool FileExists(const std::string& path);

// Opens the file `path` for reading and returns the system's descriptor (a C runtime one on
// Windows); its size goes to `size` when given. Opening never waits: a pipe without a writer
// or a device opens at once, and anything that is not a regular file is then refused with
// EInOutError and the system's "no such file" number, as FileExists calls it no file.
// Throws EInOutError with the system error when it cannot be opened.
int OpenFileForReading(const std::string& path, std::int64_t* size = nullptr);

// Opens `path` and returns its size in bytes. Throws EInOutError when it cannot be opened
// or is no regular file.
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

// The whole content of the file `path`, opened by exactly these bytes; nothing when it holds
// more than `limit` bytes (decided by its size before anything is read, and by what was
// read when it grows meanwhile). Throws EInOutError when it cannot be opened or read or is
// no regular file.
std::optional<std::string> ReadFileBytes(const std::string& path, std::size_t limit);

// Puts the file `from` in the place of `to`, replacing a file of that name in one step.
// Returns 0, or the system's error number.
int RenameOver(const std::string& from, const std::string& to);

}  // namespace varnimo::rtl
