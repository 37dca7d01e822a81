#include "fonts.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace varnimo::win {

namespace {

int CALLBACK NoteFamily(const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;  // one is enough
}

bool Installed(const char* family) {
    LOGFONTA wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    std::strncpy(wanted.lfFaceName, family, LF_FACESIZE - 1);
    bool found = false;
    HDC screen = ::GetDC(nullptr);
    ::EnumFontFamiliesExA(screen, &wanted, NoteFamily, reinterpret_cast<LPARAM>(&found), 0);
    ::ReleaseDC(nullptr, screen);
    return found;
}

}  // namespace

Font CreateFirstInstalledFont(std::initializer_list<const char*> families, int pixel_height) {
    LOGFONTA font{};
    // The dialog font's family unless one of the list is there.
    ::GetObjectA(::GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
    for (const char* family : families) {
        if (Installed(family)) {
            std::memset(font.lfFaceName, 0, sizeof font.lfFaceName);
            std::strncpy(font.lfFaceName, family, LF_FACESIZE - 1);
            break;
        }
    }
    font.lfHeight = -pixel_height;
    font.lfWidth = 0;
    font.lfWeight = FW_NORMAL;
    font.lfItalic = FALSE;
    font.lfUnderline = FALSE;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = DEFAULT_QUALITY;
    return Font(::CreateFontIndirectA(&font));
}

Font CreateWindowFont() {
    return CreateFirstInstalledFont({"MS Sans Serif", "Microsoft Sans Serif", "DejaVu Sans"}, 11);
}

Font CreateDetailFont() {
    return CreateFirstInstalledFont({"Comic Sans MS", "DejaVu Sans"}, 12);
}

Font DerivedFont(HFONT from, bool bold, bool underline) {
    LOGFONTA shape{};
    ::GetObjectA(from, sizeof shape, &shape);
    shape.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    shape.lfUnderline = underline ? TRUE : FALSE;
    return Font(::CreateFontIndirectA(&shape));
}

void FitLabelToText(HWND label) {
    const int length = ::GetWindowTextLengthA(label);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    ::GetWindowTextA(label, text.data(), length + 1);
    HDC dc = ::GetDC(label);
    HGDIOBJ previous =
        ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(label, WM_GETFONT, 0, 0)));
    SIZE extent{};
    ::GetTextExtentPoint32A(dc, text.c_str(), length, &extent);
    ::SelectObject(dc, previous);
    ::ReleaseDC(label, dc);
    RECT area{};
    ::GetClientRect(label, &area);
    ::SetWindowPos(label, nullptr, 0, 0, std::max<LONG>(extent.cx, 1), area.bottom,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace varnimo::win
