#include "user_collection.h"

#include <windows.h>

#include <knownfolders.h>
#include <sddl.h>
#include <shlobj.h>

#include <optional>
#include <string_view>
#include <utility>

namespace varnimo::win {

namespace {

std::string SystemText(DWORD error) {
    char* text = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string result = length > 0 ? std::string(text, length) : "error " + std::to_string(error);
    ::LocalFree(text);
    while (!result.empty() &&
           (result.back() == '\n' || result.back() == '\r' || result.back() == ' ')) {
        result.pop_back();
    }
    return result;
}

// `wide` in the system code page; empty when a character has no place there.
std::string InCodePage(const wchar_t* wide) {
    BOOL lossy = FALSE;
    const int size =
        ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, nullptr, 0, nullptr, &lossy);
    if (size <= 0 || lossy) {
        return {};
    }
    std::string text(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, text.data(), size, nullptr,
                          &lossy);
    text.resize(static_cast<std::size_t>(size - 1));
    return text;
}

// The roaming application data folder as the program names its files: in the system code
// page, or by its short name when the long one has characters the code page lacks.
rtl::Result<std::string, std::string> RoamingAppData() {
    wchar_t* wide = nullptr;
    const HRESULT found =
        ::SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_CREATE, nullptr, &wide);
    if (FAILED(found)) {
        ::CoTaskMemFree(wide);
        return rtl::Failure<std::string>{"no application data folder: " +
                                         SystemText(static_cast<DWORD>(found))};
    }
    std::string folder = InCodePage(wide);
    if (folder.empty()) {
        wchar_t short_name[MAX_PATH];
        if (::GetShortPathNameW(wide, short_name, MAX_PATH) > 0) {
            folder = InCodePage(short_name);
        }
    }
    ::CoTaskMemFree(wide);
    if (folder.empty()) {
        return rtl::Failure<std::string>{
            "the application data folder has a name the system code page cannot spell"};
    }
    return folder;
}

// Makes `folder` with a protected access list that lets only the user (and the system, which
// backs it up and indexes it) in; a folder that is there already is kept as it is. Returns
// what went wrong, if anything.
std::optional<std::string> MakePrivateFolder(const std::string& folder) {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return "cannot make " + folder + ": " + SystemText(::GetLastError());
    }
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::string buffer(size, '\0');
    char* user_sid = nullptr;
    if (::GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) {
        ::ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &user_sid);
    }
    ::CloseHandle(token);
    if (user_sid == nullptr) {
        return "cannot make " + folder + ": " + SystemText(::GetLastError());
    }
    const std::string rules = std::string("D:P(A;OICI;FA;;;") + user_sid + ")(A;OICI;FA;;;SY)";
    ::LocalFree(user_sid);
    SECURITY_ATTRIBUTES attributes{};
    attributes.nLength = sizeof attributes;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(
            rules.c_str(), SDDL_REVISION_1, &attributes.lpSecurityDescriptor, nullptr)) {
        return "cannot make " + folder + ": " + SystemText(::GetLastError());
    }
    const bool made = ::CreateDirectoryA(folder.c_str(), &attributes) != FALSE;
    const DWORD error = ::GetLastError();
    ::LocalFree(attributes.lpSecurityDescriptor);
    if (!made && error != ERROR_ALREADY_EXISTS) {
        return "cannot make " + folder + ": " + SystemText(error);
    }
    return std::nullopt;
}

}  // namespace

rtl::Result<std::string, std::string> EnterUserCollection() {
    const rtl::Result<std::string, std::string> data = RoamingAppData();
    if (!data) {
        return data;
    }
    const std::string folder = data.Value() + "\\Varnimo";
    if (auto problem = MakePrivateFolder(folder)) {
        return rtl::Failure<std::string>{std::move(*problem)};
    }
    const DWORD attributes = ::GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return rtl::Failure<std::string>{"cannot enter " + folder + ": it is no folder"};
    }
    if (!::SetCurrentDirectoryA(folder.c_str())) {
        return rtl::Failure<std::string>{"cannot enter " + folder + ": " +
                                         SystemText(::GetLastError())};
    }
    return folder;
}

}  // namespace varnimo::win
