// File questions on Windows, through the 8-bit (ANSI) file API, so that names are the bytes
// of the system code page that the data files hold.
#include <windows.h>

#include <cerrno>
#include <memory>

#include "rtl/files.h"
#include "rtl/posix_io_win.h"
#include "rtl/runtime_error.h"

namespace varnimo::rtl {

bool FileExists(const std::string& path) {
    if (path.empty() || HoldsNul(path)) {
        return false;
    }
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

int OpenFileForReading(const std::string& path, std::int64_t* size) {
    if (HoldsNul(path)) {
        throw EInOutError(ENOENT);
    }
    const int fd = ::_open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        throw EInOutError(errno);
    }
    // Device names (CON, NUL, COM1, ...) open as devices anywhere: only a disk file is one.
    struct _stat64 info {};
    const int error = ::_fstat64(fd, &info) != 0 ? errno : S_ISREG(info.st_mode) ? 0 : ENOENT;
    if (error != 0) {
        ::_close(fd);
        throw EInOutError(error);
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
    throw EInOutError(static_cast<int>(::GetLastError()));
}

// Opens a disk file for reading; anything else a name can open (a device such as CON or NUL,
// a pipe) is refused as no file, with Windows' number for that.
std::unique_ptr<void, HandleCloser> OpenDiskFile(const std::string& path) {
    if (HoldsNul(path)) {
        throw EInOutError(ERROR_FILE_NOT_FOUND);
    }
    std::unique_ptr<void, HandleCloser> file(
        ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        file.release();
        ThrowLastError();
    }
    if (::GetFileType(file.get()) != FILE_TYPE_DISK) {
        throw EInOutError(ERROR_FILE_NOT_FOUND);
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
        throw EInOutError(ERROR_FILE_NOT_FOUND);
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

int RenameOver(const std::string& from, const std::string& to) {
    if (HoldsNul(from) || HoldsNul(to)) {
        return ERROR_FILE_NOT_FOUND;
    }
    // The old file must not be gone before the new one is in its place: one move that
    // replaces, written through before it returns.
    if (::MoveFileExA(from.c_str(), to.c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return 0;
    }
    return static_cast<int>(::GetLastError());
}

}  // namespace varnimo::rtl
