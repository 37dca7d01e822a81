// File questions on Windows, through the 8-bit (ANSI) file API, so that names are the bytes
// of the system code page that the data files hold.
#include <windows.h>

#include <memory>

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

}  // namespace

void ForEachFolderEntry(const std::string& path,
                        const std::function<void(std::string_view name, bool is_file)>& on_entry) {
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

std::string ReadFileBytes(const std::string& path) {
    std::unique_ptr<void, HandleCloser> file(
        ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        file.release();
        ThrowLastError();
    }
    std::string bytes;
    LARGE_INTEGER size{};
    if (::GetFileSizeEx(file.get(), &size) && size.QuadPart > 0) {
        bytes.reserve(static_cast<std::size_t>(size.QuadPart));
    }
    char chunk[65536];
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr)) {
            ThrowLastError();
        }
        if (got == 0) {
            return bytes;
        }
        bytes.append(chunk, got);
    }
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
