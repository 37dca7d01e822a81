#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "rtl/file_calls.h"
#include "rtl/files.h"
#include "rtl/runtime_error.h"

namespace varnimo::rtl {

using calls::ErrorNumber;
using calls::LastErrorNumber;

bool FileExists(const std::string& path) {
    struct stat info {};
    return !path.empty() && !HoldsNul(path) && ::stat(path.c_str(), &info) == 0 &&
           S_ISREG(info.st_mode);
}

int OpenFileForReading(const std::string& path, std::int64_t* size) {
    if (HoldsNul(path)) {
        throw InOutError(ENOENT);
    }
    // A FIFO opened for reading waits for a writer, and a device may wait for whatever it
    // serves; O_NONBLOCK makes the open return at once, and what it opened is then checked.
    // Regular files ignore the flag when read.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        throw InOutError(errno);
    }
    struct stat info {};
    const int error = ::fstat(fd, &info) != 0 ? errno : S_ISREG(info.st_mode) ? 0 : ENOENT;
    if (error != 0) {
        ::close(fd);
        throw InOutError(error);
    }
    if (size != nullptr) {
        *size = static_cast<std::int64_t>(info.st_size);
    }
    return fd;
}

std::int64_t FileSize(const std::string& path) {
    std::int64_t size = 0;
    ::close(OpenFileForReading(path, &size));
    return size;
}

void ForEachFolderEntry(const std::string& path,
                        const std::function<void(std::string_view name, bool is_file)>& on_entry) {
    if (HoldsNul(path)) {
        throw InOutError(ENOENT);
    }
    std::unique_ptr<DIR, int (*)(DIR*)> folder(::opendir(path.empty() ? "." : path.c_str()),
                                               &::closedir);
    if (!folder) {
        throw InOutError(errno);
    }
    const int folder_fd = ::dirfd(folder.get());
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(folder.get());
        if (entry == nullptr) {
            if (errno != 0) {
                throw InOutError(errno);
            }
            return;
        }
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) {
            continue;
        }
        bool is_file = false;
        switch (entry->d_type) {
            case DT_REG:
                is_file = true;
                break;
            case DT_LNK:
            case DT_UNKNOWN: {
                // Links, and file systems that do not tell the type, need the one stat that
                // follows the link.
                struct stat info {};
                is_file = ::fstatat(folder_fd, name, &info, 0) == 0 && S_ISREG(info.st_mode);
                break;
            }
            default:
                break;
        }
        on_entry(name, is_file);
    }
}

std::optional<std::string> ReadFileBytes(const std::string& path, std::size_t limit) {
    InputFile file(path);
    if (static_cast<std::uint64_t>(file.Size()) > limit) {
        return std::nullopt;
    }
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(file.Size()));
    char chunk[65536];
    for (;;) {
        const std::size_t got = file.Read(chunk, sizeof chunk);
        if (got == 0) {
            return bytes;
        }
        if (got > limit - bytes.size()) {
            return std::nullopt;  // it grew past the limit while it was read
        }
        bytes.append(chunk, got);
    }
}

std::error_code RenameOver(const std::string& from, const std::string& to) {
    if (HoldsNul(from) || HoldsNul(to)) {
        return ErrorNumber(ENOENT);
    }
    return std::rename(from.c_str(), to.c_str()) == 0 ? std::error_code() : LastErrorNumber();
}

PathStatus StatusOf(const std::string& path, Links links) {
    if (HoldsNul(path)) {
        return {PathKind::None, ErrorNumber(ENOENT)};
    }
    struct stat info {};
    const int asked =
        links == Links::Follow ? ::stat(path.c_str(), &info) : ::lstat(path.c_str(), &info);
    if (asked != 0) {
        return {PathKind::None, LastErrorNumber()};
    }
    if (S_ISREG(info.st_mode)) {
        return {PathKind::File, {}};
    }
    if (S_ISDIR(info.st_mode)) {
        return {PathKind::Folder, {}};
    }
    return {S_ISLNK(info.st_mode) ? PathKind::Link : PathKind::Other, {}};
}

InputFile::InputFile(const std::string& path) : fd_(OpenFileForReading(path, &size_)) {}

InputFile::~InputFile() {
    ::close(fd_);
}

std::size_t InputFile::Read(void* into, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::read(fd_, static_cast<char*>(into) + done, size - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            throw InOutError(errno);
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return done;
}

std::size_t InputFile::ReadAt(std::uint64_t offset, void* into, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::pread(fd_, static_cast<char*>(into) + done, size - done,
                                    static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            throw InOutError(errno);
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return done;
}

std::error_code MakePrivateFolder(const std::string& path) {
    if (HoldsNul(path)) {
        return ErrorNumber(ENOENT);
    }
    return ::mkdir(path.c_str(), 0700) == 0 ? std::error_code() : LastErrorNumber();
}

std::error_code EnterFolder(const std::string& path) {
    if (HoldsNul(path)) {
        return ErrorNumber(ENOENT);
    }
    return ::chdir(path.c_str()) == 0 ? std::error_code() : LastErrorNumber();
}

OpenedFolder::OpenedFolder(const std::string& path) : path_(path) {
    if (HoldsNul(path)) {
        error_ = ErrorNumber(ENOENT);
        return;
    }
#ifdef O_PATH
    fd_ = ::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
#else
    fd_ = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
#endif
    struct stat info {};
    if (fd_ < 0 || ::fstat(fd_, &info) != 0) {
        error_ = LastErrorNumber();
        return;
    }
    owner_ = static_cast<std::uint32_t>(info.st_uid);
    owned_by_user_ = info.st_uid == ::geteuid();
    mode_ = static_cast<unsigned>(info.st_mode & 07777);
}

OpenedFolder::~OpenedFolder() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

std::error_code OpenedFolder::Enter() {
    if (error_) {
        return error_;
    }
    return ::fchdir(fd_) == 0 ? std::error_code() : LastErrorNumber();
}

std::string RealPath(const std::string& path) {
    if (HoldsNul(path)) {
        return {};
    }
    std::unique_ptr<char, void (*)(void*)> resolved(::realpath(path.c_str(), nullptr), &std::free);
    return resolved ? std::string(resolved.get()) : std::string();
}

bool IsTerminal(std::FILE* stream) {
    return ::isatty(::fileno(stream)) != 0;
}

bool NamesIgnoreLetterCase(const std::string& folder, std::string_view probe) {
    if (probe.empty()) {
        return false;  // no name has a letter, so the case of letters decides nothing here
    }
    std::string swapped(probe);
    for (char& c : swapped) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        } else if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    // The same entry under both names; a link in the folder counts as itself.
    const std::string named = folder + std::string(probe);
    const std::string other = folder + swapped;
    if (HoldsNul(named)) {
        return false;
    }
    struct stat named_info {};
    struct stat other_info {};
    return ::lstat(named.c_str(), &named_info) == 0 && ::lstat(other.c_str(), &other_info) == 0 &&
           named_info.st_dev == other_info.st_dev && named_info.st_ino == other_info.st_ino;
}

bool CanSearchFolder(const std::string& folder) {
    return !HoldsNul(folder) && ::access(folder.empty() ? "." : folder.c_str(), X_OK) == 0;
}

std::size_t FolderBytes(const std::string& folder) {
    struct stat info {};
    if (HoldsNul(folder) || ::stat(folder.empty() ? "." : folder.c_str(), &info) != 0) {
        return 0;
    }
    return static_cast<std::size_t>(std::max<off_t>(info.st_size, 0));
}

namespace calls {

int CreateNewFile(const std::string& path, unsigned mode) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, static_cast<mode_t>(mode));
}

int RegularFileMode(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)
               ? static_cast<int>(info.st_mode & 07777)
               : -1;
}

int SetFileMode(int fd, unsigned mode) {
    return ::fchmod(fd, static_cast<mode_t>(mode));
}

long long WriteSome(int fd, const char* data, std::size_t size) {
    return ::write(fd, data, size);
}

int SyncFile(int fd) {
    return ::fsync(fd);
}

int CloseFile(int fd) {
    return ::close(fd);
}

int RemoveFile(const std::string& path) {
    return ::unlink(path.c_str());
}

int LinkFile(const std::string& from, const std::string& to) {
    return ::link(from.c_str(), to.c_str());
}

unsigned long ProcessId() {
    return static_cast<unsigned long>(::getpid());
}

}  // namespace calls

}  // namespace varnimo::rtl
