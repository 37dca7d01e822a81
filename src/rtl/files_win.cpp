// File questions on Windows, through the 8-bit (ANSI) file API, so that names are the bytes
// of the system code page that the data files hold.
#include <windows.h>

#include "rtl/files.h"
#include "rtl/runtime_error.h"

namespace varnimo::rtl {

bool FileExists(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::int64_t FileSize(const std::string& path) {
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        throw EInOutError(static_cast<int>(::GetLastError()));
    }
    LARGE_INTEGER size{};
    BOOL ok = ::GetFileSizeEx(file, &size);
    DWORD error = ::GetLastError();
    ::CloseHandle(file);
    if (!ok) {
        throw EInOutError(static_cast<int>(error));
    }
    return static_cast<std::int64_t>(size.QuadPart);
}

int RenameOver(const std::string& from, const std::string& to) {
    // The old file must not be gone before the new one is in its place: one move that
    // replaces, written through before it returns.
    if (::MoveFileExA(from.c_str(), to.c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return 0;
    }
    return static_cast<int>(::GetLastError());
}

}  // namespace varnimo::rtl
