#pragma once
// The system's calls behind the text file writer, inside rtl only: one definition per
// platform (files_posix.cpp, files_win.cpp). Each answers as the system's call does: 0 (or
// the count) on success, -1 with the reason in errno on failure.

#include <cerrno>
#include <cstddef>
#include <string>
#include <system_error>

namespace varnimo::rtl::calls {

// An error number of the C runtime (errno) as what the file questions return.
inline std::error_code ErrorNumber(int number) {
    return {number, std::generic_category()};
}
inline std::error_code LastErrorNumber() {
    return ErrorNumber(errno);
}

// Creates `path` for writing, failing when anything of that name is there; the file gets
// `mode` (narrowed by the umask) and is not inherited by programs started later.
int CreateNewFile(const std::string& path, unsigned mode);
// The permission bits (07777) of the regular file `path`; -1 when it is none.
int RegularFileMode(const std::string& path);
int SetFileMode(int fd, unsigned mode);
long long WriteSome(int fd, const char* data, std::size_t size);
int SyncFile(int fd);
int CloseFile(int fd);
int RemoveFile(const std::string& path);
// Gives the file `from` the second name `to`; ENOSYS where the system makes no such links.
int LinkFile(const std::string& from, const std::string& to);
// The number of this process.
unsigned long ProcessId();

}  // namespace varnimo::rtl::calls
