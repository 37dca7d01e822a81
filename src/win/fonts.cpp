#include "fonts.h"

#include <cstring>

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

}  // namespace varnimo::win
