#include "desktop.h"

#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <array>
#include <cstring>

namespace varnimo::win {

void Desktop::OpenAddress(HWND owner, const std::string& address) {
    if (OpenUrl(owner, address)) {
        return;
    }
    ShowBox(owner, BoxIcon::Information, "Varnimo",
            "No web browser could be started. The address to copy:\n\n" + address);
}

void SystemDesktop::ShowBox(HWND owner, BoxIcon icon, const std::string& title,
                            const std::string& text) {
    UINT style = MB_OK;
    switch (icon) {
        case BoxIcon::Error:
            style |= MB_ICONERROR;
            break;
        case BoxIcon::Information:
            style |= MB_ICONINFORMATION;
            break;
        case BoxIcon::None:
            break;
    }
    // Without an owner (a box before the window exists) the box still blocks the whole program.
    if (owner == nullptr) {
        style |= MB_TASKMODAL;
    }
    ::MessageBoxA(owner, text.c_str(), title.c_str(), style);
}

bool SystemDesktop::OpenUrl(HWND owner, const std::string& address) {
    // Above 32 is success; the value is an HINSTANCE only for old programs' sake.
    const auto result = reinterpret_cast<INT_PTR>(
        ::ShellExecuteA(owner, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
}

std::optional<std::string> SystemDesktop::AskFolder(HWND owner, const std::string& instruction) {
    std::array<char, MAX_PATH> display{};
    BROWSEINFOA browse{};
    browse.hwndOwner = owner;  // modal over the owner; the root is the desktop
    browse.pszDisplayName = display.data();
    browse.lpszTitle = instruction.c_str();
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    PIDLIST_ABSOLUTE chosen = ::SHBrowseForFolderA(&browse);
    if (chosen == nullptr) {
        return std::nullopt;
    }
    std::array<char, MAX_PATH> path{};
    const bool named = ::SHGetPathFromIDListA(chosen, path.data()) != FALSE;
    ::CoTaskMemFree(chosen);
    if (!named) {
        return std::nullopt;  // no file-system folder (the flag above should prevent it)
    }
    return std::string(path.data());
}

std::vector<std::string> SystemDesktop::AskFiles(HWND owner, const std::string& instruction) {
    // Several names come back as the folder, then each name, each ended by a zero, and one
    // zero more; one name alone comes back as its full path.
    std::vector<char> names(32 * 1024, '\0');
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = "DAT files (*.dat, *.xml)\0*.dat;*.xml\0All files (*.*)\0*.*\0";
    dialog.lpstrFile = names.data();
    dialog.nMaxFile = static_cast<DWORD>(names.size());
    dialog.lpstrTitle = instruction.c_str();
    dialog.Flags = OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    if (!::GetOpenFileNameA(&dialog)) {
        return {};
    }
    std::vector<std::string> parts;
    for (const char* part = names.data(); *part != '\0'; part += std::strlen(part) + 1) {
        parts.emplace_back(part);
    }
    if (parts.size() <= 1) {
        return parts;
    }
    std::vector<std::string> files;
    const std::string folder = parts.front();
    const char* separator = folder.ends_with('\\') ? "" : "\\";
    for (std::size_t i = 1; i < parts.size(); ++i) {
        files.push_back(folder + separator + parts[i]);
    }
    return files;
}

}  // namespace varnimo::win
