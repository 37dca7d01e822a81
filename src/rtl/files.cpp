#include "rtl/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>

#include "rtl/runtime_error.h"

namespace varnimo::rtl {

bool FileExists(const std::string& path) {
    struct stat info {};
    return !path.empty() && !HoldsNul(path) && ::stat(path.c_str(), &info) == 0 &&
           S_ISREG(info.st_mode);
}

int OpenFileForReading(const std::string& path, std::int64_t* size) {
    if (HoldsNul(path)) {
        throw EInOutError(ENOENT);
    }
    // A FIFO opened for reading waits for a writer, and a device may wait for whatever it
    // serves; O_NONBLOCK makes the open return at once, and what it opened is then checked.
    // Regular files ignore the flag when read.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        throw EInOutError(errno);
    }
    struct stat info {};
    const int error = ::fstat(fd, &info) != 0 ? errno : S_ISREG(info.st_mode) ? 0 : ENOENT;
    if (error != 0) {
        ::close(fd);
        throw EInOutError(error);
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
        throw EInOutError(ENOENT);
    }
    std::unique_ptr<DIR, int (*)(DIR*)> folder(::opendir(path.empty() ? "." : path.c_str()),
                                               &::closedir);
    if (!folder) {
        throw EInOutError(errno);
    }
    const int folder_fd = ::dirfd(folder.get());
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(folder.get());
        if (entry == nullptr) {
            if (errno != 0) {
                throw EInOutError(errno);
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
    std::int64_t size = 0;
    const int fd = OpenFileForReading(path, &size);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    if (static_cast<std::uint64_t>(size) > limit) {
        return std::nullopt;
    }
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(size));
    char chunk[65536];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw EInOutError(errno);
        }
        if (got == 0) {
            return bytes;
        }
        if (static_cast<std::size_t>(got) > limit - bytes.size()) {
            return std::nullopt;  // it grew past the limit while it was read
        }
        bytes.append(chunk, static_cast<std::size_t>(got));
    }
}

int RenameOver(const std::string& from, const std::string& to) {
    if (HoldsNul(from) || HoldsNul(to)) {
        return ENOENT;
    }
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

}  // namespace varnimo::rtl
