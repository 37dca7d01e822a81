// File questions on Windows, through the 8-bit (ANSI) file API, so that names are the bytes
// of the system code page that the data files hold.
#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <memory>

#include "rtl/file_calls.h"
#include "rtl/files.h"
#include "rtl/runtime_error.h"

// Every file this program opens holds bytes: no CR LF translation by the runtime, and no
// inheritance by the emulators it starts.
#ifndef O_CLOEXEC
#define O_CLOEXEC (_O_BINARY | _O_NOINHERIT)
#endif

namespace varnimo::rtl {

using calls::ErrorNumber;
using calls::LastErrorNumber;

bool FileExists(const std::string& path) {
    if (path.empty() || HoldsNul(path)) {
        return false;
    }
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

int OpenFileForReading(const std::string& path, std::int64_t* size) {
    if (HoldsNul(path)) {
        throw InOutError(ENOENT);
    }
    const int fd = ::_open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        throw InOutError(errno);
    }
    // Device names (CON, NUL, COM1, ...) open as devices anywhere: only a disk file is one.
    struct _stat64 info {};
    const int error = ::_fstat64(fd, &info) != 0 ? errno : S_ISREG(info.st_mode) ? 0 : ENOENT;
    if (error != 0) {
        ::_close(fd);
        throw InOutError(error);
    }
    if (size != nullptr) {
        *size = static_cast<std::int64_t>(info.st_size);
    }
    return fd;
}

namespace {

struct SearchCloser {
    void operator()(HANDLE search) const { ::FindClose(search); }
};

struct HandleCloser {
    void operator()(HANDLE handle) const { ::CloseHandle(handle); }
};

[[noreturn]] void ThrowLastError() {
    throw InOutError(static_cast<int>(::GetLastError()));
}

// Opens a disk file for reading; anything else a name can open (a device such as CON or NUL,
// a pipe) is refused as no file, with Windows' number for that.
std::unique_ptr<void, HandleCloser> OpenDiskFile(const std::string& path) {
    if (HoldsNul(path)) {
        throw InOutError(ERROR_FILE_NOT_FOUND);
    }
    std::unique_ptr<void, HandleCloser> file(
        ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        file.release();
        ThrowLastError();
    }
    if (::GetFileType(file.get()) != FILE_TYPE_DISK) {
        throw InOutError(ERROR_FILE_NOT_FOUND);
    }
    return file;
}

std::int64_t SizeOf(HANDLE file) {
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file, &size)) {
        ThrowLastError();
    }
    return static_cast<std::int64_t>(size.QuadPart);
}

}  // namespace

std::int64_t FileSize(const std::string& path) {
    return SizeOf(OpenDiskFile(path).get());
}

void ForEachFolderEntry(const std::string& path,
                        const std::function<void(std::string_view name, bool is_file)>& on_entry) {
    if (HoldsNul(path)) {
        throw InOutError(ERROR_FILE_NOT_FOUND);
    }
    std::string folder = path.empty() ? std::string(".") : path;
    if (folder.back() != '\\' && folder.back() != '/') {
        folder.push_back('\\');
    }
    WIN32_FIND_DATAA found;
    std::unique_ptr<void, SearchCloser> search(::FindFirstFileA((folder + '*').c_str(), &found));
    if (search.get() == INVALID_HANDLE_VALUE) {
        search.release();
        ThrowLastError();
    }
    do {
        const char* name = found.cFileName;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) {
            continue;
        }
        DWORD attributes = found.dwFileAttributes;
        if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            // A link counts as what it points to; asking by name follows it.
            attributes = ::GetFileAttributesA((folder + name).c_str());
        }
        const bool is_file =
            attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
        on_entry(name, is_file);
    } while (::FindNextFileA(search.get(), &found));
    if (::GetLastError() != ERROR_NO_MORE_FILES) {
        ThrowLastError();
    }
}

std::optional<std::string> ReadFileBytes(const std::string& path, std::size_t limit) {
    const std::unique_ptr<void, HandleCloser> file = OpenDiskFile(path);
    const std::int64_t size = SizeOf(file.get());
    if (static_cast<std::uint64_t>(size) > limit) {
        return std::nullopt;
    }
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(size));
    char chunk[65536];
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr)) {
            ThrowLastError();
        }
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
        return {ERROR_FILE_NOT_FOUND, std::system_category()};
    }
    // The old file must not be gone before the new one is in its place: one move that
    // replaces, written through before it returns.
    if (::MoveFileExA(from.c_str(), to.c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return {};
    }
    return {static_cast<int>(::GetLastError()), std::system_category()};
}

PathStatus StatusOf(const std::string& path, Links) {
    if (HoldsNul(path)) {
        return {PathKind::None, ErrorNumber(ENOENT)};
    }
    struct _stat64 info {};
    if (::_stat64(path.c_str(), &info) != 0) {
        return {PathKind::None, LastErrorNumber()};
    }
    if (S_ISREG(info.st_mode)) {
        return {PathKind::File, {}};
    }
    return {S_ISDIR(info.st_mode) ? PathKind::Folder : PathKind::Other, {}};
}

InputFile::InputFile(const std::string& path) : fd_(OpenFileForReading(path, &size_)) {}

InputFile::~InputFile() {
    ::_close(fd_);
}

std::size_t InputFile::Read(void* into, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        // The runtime counts in unsigned ints.
        const int got = ::_read(fd_, static_cast<char*>(into) + done,
                                static_cast<unsigned>(std::min<std::size_t>(size - done, 1 << 30)));
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
    const __int64 resume = ::_lseeki64(fd_, 0, SEEK_CUR);
    if (resume < 0 || ::_lseeki64(fd_, static_cast<__int64>(offset), SEEK_SET) < 0) {
        throw InOutError(errno);
    }
    const std::size_t done = Read(into, size);
    ::_lseeki64(fd_, resume, SEEK_SET);
    return done;
}

std::error_code MakePrivateFolder(const std::string& path) {
    if (HoldsNul(path)) {
        return ErrorNumber(ENOENT);
    }
    return ::_mkdir(path.c_str()) == 0 ? std::error_code() : LastErrorNumber();
}

std::error_code EnterFolder(const std::string& path) {
    if (HoldsNul(path)) {
        return ErrorNumber(ENOENT);
    }
    return ::_chdir(path.c_str()) == 0 ? std::error_code() : LastErrorNumber();
}

OpenedFolder::OpenedFolder(const std::string& path) : path_(path) {}

OpenedFolder::~OpenedFolder() = default;

std::error_code OpenedFolder::Enter() {
    return EnterFolder(path_);
}

std::string RealPath(const std::string& path) {
    if (HoldsNul(path)) {
        return {};
    }
    std::unique_ptr<char, void (*)(void*)> resolved(::_fullpath(nullptr, path.c_str(), 0),
                                                    &std::free);
    return resolved ? std::string(resolved.get()) : std::string();
}

bool IsTerminal(std::FILE* stream) {
    return ::_isatty(::_fileno(stream)) != 0;
}

bool NamesIgnoreLetterCase(const std::string&, std::string_view) {
    return true;  // Windows' file systems ignore letter case as a rule
}

bool CanSearchFolder(const std::string& folder) {
    return !HoldsNul(folder) && ::_access(folder.empty() ? "." : folder.c_str(), 0) == 0;
}

std::size_t FolderBytes(const std::string&) {
    return 0;  // a folder has no size of its own here
}

namespace calls {

int CreateNewFile(const std::string& path, unsigned mode) {
    return ::_open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, static_cast<int>(mode));
}

int RegularFileMode(const std::string& path) {
    struct _stat64 info {};
    return ::_stat64(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)
               ? static_cast<int>(info.st_mode & 07777)
               : -1;
}

int SetFileMode(int, unsigned) {
    return 0;  // access rights come from the folder a file is created in
}

long long WriteSome(int fd, const char* data, std::size_t size) {
    return ::_write(fd, data, static_cast<unsigned>(std::min<std::size_t>(size, 1 << 30)));
}

int SyncFile(int fd) {
    return ::_commit(fd);
}

int CloseFile(int fd) {
    return ::_close(fd);
}

int RemoveFile(const std::string& path) {
    return ::_unlink(path.c_str());
}

int LinkFile(const std::string&, const std::string&) {
    errno = ENOSYS;  // the old file is moved aside instead
    return -1;
}

unsigned long ProcessId() {
    return static_cast<unsigned long>(::_getpid());
}

}  // namespace calls

}  // namespace varnimo::rtl
