#pragma once
// File system questions the program asks.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "rtl/paths.h"

namespace varnimo::rtl {

// A name that holds a NUL byte names no file: the system would read it only up to the NUL,
// and so answer for another file. Every function here that hands a name to the system asks
// this first, so that no caller can forget it: such a name does not exist, cannot be
// opened (InOutError with the system's "no such file" number), listed or started.
inline bool HoldsNul(std::string_view path) {
    return path.find('\0') != std::string_view::npos;
}

// True only when a regular file (not a folder, a pipe or a device) of exactly this name
// exists. An empty name is never a file.
bool FileExists(const std::string& path);

// Opens the file `path` for reading and returns the system's descriptor (a C runtime one on
// Windows); its size goes to `size` when given. Opening never waits: a pipe without a writer
// or a device opens at once, and anything that is not a regular file is then refused with
// InOutError and the system's "no such file" number, as FileExists calls it no file.
// Throws InOutError with the system error when it cannot be opened.
int OpenFileForReading(const std::string& path, std::int64_t* size = nullptr);

// Opens `path` and returns its size in bytes. Throws InOutError when it cannot be opened
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
// a bare file name. Throws InOutError with the system error when the folder cannot be
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
// read when it grows meanwhile). Throws InOutError when it cannot be opened or read or is
// no regular file.
std::optional<std::string> ReadFileBytes(const std::string& path, std::size_t limit);

// Puts the file `from` in the place of `to`, replacing a file of that name in one step.
// Returns no error, or why it failed.
[[nodiscard]] std::error_code RenameOver(const std::string& from, const std::string& to);

// What a name is, as the file system answers.
enum class PathKind {
    None,    // nothing is found under the name; PathStatus::error says why
    File,    // a regular file
    Folder,  // a folder
    Link,    // a symbolic link, where links count as themselves
    Other,   // a FIFO, a device, a socket
};
// Whether a symbolic link counts as what it names or as itself.
enum class Links { Follow, AsThemselves };
struct PathStatus {
    PathKind kind = PathKind::None;
    std::error_code error;  // why, when kind is None
};
// What `path` names. A dangling link followed names nothing; where the system has no
// symbolic links (Windows) both rules answer alike.
PathStatus StatusOf(const std::string& path, Links links = Links::Follow);

// A regular file open for reading, opened as OpenFileForReading opens it and closed with the
// object.
class InputFile {
  public:
    // Throws InOutError when it cannot be opened or is no regular file.
    explicit InputFile(const std::string& path);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // The size when it was opened.
    std::int64_t Size() const { return size_; }
    // Reads up to `size` bytes into `into` from where the last Read ended; fewer only at the
    // end of the file. Throws InOutError when reading fails.
    std::size_t Read(void* into, std::size_t size);
    // The same from `offset` on; where Read goes on is left alone.
    std::size_t ReadAt(std::uint64_t offset, void* into, std::size_t size);

  private:
    // The size is filled in while the file is opened, so it comes first.
    std::int64_t size_ = 0;
    int fd_;
};

// Makes the folder `path`, which only its owner may read, write or search (Windows keeps a
// user's folders to the user already). Returns no error, or why it failed:
// std::errc::file_exists when something of that name is there.
[[nodiscard]] std::error_code MakePrivateFolder(const std::string& path);

// Makes the folder `path` the working directory. Returns no error, or why it failed.
[[nodiscard]] std::error_code EnterFolder(const std::string& path);

// A folder held by what it is rather than by its name, so that the folder that is looked at
// is the one entered, even when its name is changed meanwhile. Windows holds it by its name
// and takes it for the user's own and closed to others, as a user's application data is.
class OpenedFolder {
  public:
    explicit OpenedFolder(const std::string& path);
    ~OpenedFolder();
    OpenedFolder(const OpenedFolder&) = delete;
    OpenedFolder& operator=(const OpenedFolder&) = delete;

    // Why the folder could not be opened or asked about, if it could not; what follows
    // answers only for an opened folder.
    std::error_code Error() const { return error_; }
    // The number of the user it belongs to, and whether that is the user running the program.
    std::uint32_t Owner() const { return owner_; }
    bool OwnedByUser() const { return owned_by_user_; }
    // Its permission bits (07777), and whether its group or others may write to it.
    unsigned Mode() const { return mode_; }
    bool WritableByOthers() const { return (mode_ & 0022) != 0; }
    // Makes it the working directory. Returns no error, or why it failed.
    [[nodiscard]] std::error_code Enter();

  private:
    std::string path_;
    int fd_ = -1;
    std::error_code error_;
    std::uint32_t owner_ = 0;
    bool owned_by_user_ = true;
    unsigned mode_ = 0700;
};

// The absolute path that `path` leads to with every link resolved; empty when it cannot be
// resolved.
std::string RealPath(const std::string& path);

// True when `stream` writes to a terminal (a console on Windows).
bool IsTerminal(std::FILE* stream);

// Whether names in `folder` (ending with a separator, or empty for the working directory)
// are matched without regard to letter case, as on Windows' file systems, on many network
// shares and in case-folding folders: `probe`, an entry's name that holds a letter, is asked
// for with the case of its letters swapped. Always true on Windows; false without a probe.
bool NamesIgnoreLetterCase(const std::string& folder, std::string_view probe);

// Whether the entries of `folder` (empty: the working directory) can be looked up by name; a
// folder that can be read but not searched lists names the system would not find.
bool CanSearchFolder(const std::string& folder);

// The bytes the entries of `folder` (empty: the working directory) take, as far as the file
// system tells (the folder's own size); 0 where it does not.
std::size_t FolderBytes(const std::string& folder);

}  // namespace varnimo::rtl
