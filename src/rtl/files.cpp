#include "rtl/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

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

int RenameOver(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

}  // namespace varnimo::rtl
