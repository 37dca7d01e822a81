#include "answering_desktop.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace varnimo::win {

bool QuitWhenListedRequested() {
    const char* value = std::getenv("VARNIMO_QUIT_WHEN_LISTED");
    return value != nullptr && std::strcmp(value, "1") == 0;
}

void AnsweringDesktop::ShowBox(HWND, BoxIcon icon, const std::string&, const std::string& text) {
    const char* kind = icon == BoxIcon::Error         ? "error"
                       : icon == BoxIcon::Information ? "info"
                                                      : "notice";
    std::fprintf(stderr, "%s: %s\n", kind, text.c_str());
    std::fflush(stderr);
    if (icon == BoxIcon::Error) {
        // The list this start waits for may never come.
        error_shown_ = true;
        ::PostQuitMessage(1);
    }
}

bool AnsweringDesktop::OpenUrl(HWND, const std::string&) {
    return true;
}

std::optional<std::string> AnsweringDesktop::AskFolder(HWND, const std::string&) {
    return std::nullopt;
}

std::vector<std::string> AnsweringDesktop::AskFiles(HWND, const std::string&) {
    return {};
}

}  // namespace varnimo::win
