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
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::int64_t FileSize(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        throw EInOutError(errno);
    }
    struct stat info {};
    int result = ::fstat(fd, &info);
    int error = errno;
    ::close(fd);
    if (result != 0) {
        throw EInOutError(error);
    }
    return static_cast<std::int64_t>(info.st_size);
}

void ForEachFolderEntry(const std::string& path,
                        const std::function<void(std::string_view name, bool is_file)>& on_entry) {
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

std::string ReadFileBytes(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        throw EInOutError(errno);
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    std::string bytes;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && info.st_size > 0) {
        bytes.reserve(static_cast<std::size_t>(info.st_size));
    }
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
        bytes.append(chunk, static_cast<std::size_t>(got));
    }
}

int RenameOver(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

}  // namespace varnimo::rtl
