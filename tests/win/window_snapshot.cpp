// Opens the window on the collection in the working folder, lets the start-up run (boxes are
// printed and answered), optionally chooses a line of the list, and saves a picture of the
// whole window as it is on the screen:
//   varnimo-window-snapshot <out.png> [line]

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <cstdio>
#include <cstdlib>

#include "answering_desktop.h"
#include "control_ids.h"
#include "main_window.h"
#include "win/window_test_support.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: varnimo-window-snapshot <out.png> [line]\n");
        return 2;
    }
    const int line = argc > 2 ? std::atoi(argv[2]) : -1;
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX controls{sizeof controls,
                                  ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    using namespace varnimo::win;
    AnsweringDesktop desktop;
    bool started = false;
    MainWindow window(desktop, {.closed = {}, .started = [&] { started = true; }});
    window.Show();
    if (!test::PumpUntil([&] { return started; }, 60000)) {
        std::fprintf(stderr, "the window did not start\n");
        return 1;
    }
    HWND list = ::GetDlgItem(window.Handle(), Id(ControlId::TitleList));
    if (line >= 0) {
        LVITEMA chosen{};
        chosen.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        chosen.state = LVIS_SELECTED | LVIS_FOCUSED;
        ::SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(line),
                       reinterpret_cast<LPARAM>(&chosen));
        ::SetFocus(list);
    }
    // Whatever the choice queued is drawn before the picture is taken.
    test::PumpUntil([] { return false; }, 500);
    ::RedrawWindow(window.Handle(), nullptr, nullptr,
                   RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    test::PumpUntil([] { return false; }, 300);

    RECT area{};
    ::GetWindowRect(window.Handle(), &area);
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    HDC screen = ::GetDC(nullptr);
    HDC copy = ::CreateCompatibleDC(screen);
    HBITMAP picture = ::CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = ::SelectObject(copy, picture);
    ::BitBlt(copy, 0, 0, width, height, screen, area.left, area.top, SRCCOPY | CAPTUREBLT);
    ::SelectObject(copy, previous);
    ::DeleteDC(copy);
    ::ReleaseDC(nullptr, screen);
    const bool saved = test::SavePng(picture, argv[1]);
    ::DeleteObject(picture);
    std::fprintf(stderr, "%s %s (%d x %d)\n", saved ? "saved" : "could not save", argv[1], width,
                 height);
    return saved ? 0 : 1;
}
