// varnimo.exe: the Windows window of the SNES ROM front end.

#include <windows.h>

#include <commctrl.h>
#include <direct.h>
#include <objbase.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "answering_desktop.h"
#include "app/program_version.h"
#include "catalogue/catalogue_file.h"
#include "main_window.h"
#include "new_collection_dialog.h"
#include "rtl/convert.h"
#include "rtl/files.h"
#include "rtl/runtime_error.h"
#include "ui/window_arguments.h"
#include "user_collection.h"

namespace {

const char* const kUsage =
    "usage: varnimo [-C DIR | --user-collection]\n"
    "\n"
    "Opens the window on the data files of the working directory (options.dat,\n"
    "SNES_screens.dat, scanned.dat).\n"
    "  -C DIR              run in DIR\n"
    "  --user-collection   run in your own collection folder, %APPDATA%\\Varnimo,\n"
    "                      made when missing (the Start menu entry starts this way)\n"
    "  --help              this text\n"
    "  --version           the program version\n";

// A program of the window subsystem has no console of its own: text goes to the console of
// the program that started it, or to what its output was redirected to, and into a box when
// there is neither.
void Say(std::FILE* stream, const std::string& text) {
    const DWORD which = stream == stdout ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE;
    HANDLE handle = ::GetStdHandle(which);
    if ((handle == nullptr || handle == INVALID_HANDLE_VALUE) &&
        ::AttachConsole(ATTACH_PARENT_PROCESS)) {
        std::freopen("CONOUT$", "w", stream);
        handle = ::GetStdHandle(which);
    }
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
        ::MessageBoxA(nullptr, text.c_str(), "Varnimo",
                      MB_OK | (stream == stderr ? MB_ICONERROR : MB_ICONINFORMATION));
        return;
    }
    std::fputs(text.c_str(), stream);
    std::fflush(stream);
}

// Ends COM's use on this thread when main returns.
struct ComApartment {
    ComApartment() { ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~ComApartment() { ::CoUninitialize(); }
};

int RunWindow(const varnimo::ui::WindowArguments& start) {
    using varnimo::win::BoxIcon;
    const bool quit_when_listed = varnimo::win::QuitWhenListedRequested();
    varnimo::win::SystemDesktop system_desktop;
    varnimo::win::AnsweringDesktop answering_desktop;
    varnimo::win::Desktop& desktop =
        quit_when_listed ? static_cast<varnimo::win::Desktop&>(answering_desktop) : system_desktop;
    if (start.user_collection) {
        const auto collection = varnimo::win::EnterUserCollection();
        if (!collection) {
            desktop.ShowBox(nullptr, BoxIcon::Error, "Varnimo", collection.Error());
            return 1;
        }
        // A collection of the user's own starts empty: ask for the folders to make it from.
        // Cancel leaves the folder as it was and ends the program: there is nothing to show,
        // and nothing the user did wrong. A timed start has nobody to ask: it says how to
        // make the collection instead.
        if (quit_when_listed && !varnimo::rtl::FileExists(varnimo::catalogue::kCatalogueFileName)) {
            desktop.ShowBox(nullptr, BoxIcon::Information, "Varnimo",
                            "Your collection folder\n\n" + collection.Value() +
                                "\n\nholds no collection yet. Make it there from your ROM "
                                "folder with varnimo-cli, for example:\n\nvarnimo-cli -C \"" +
                                collection.Value() +
                                "\" import \"D:\\Roms\" --screens \"D:\\Screenshots\"\n\n"
                                "and start Varnimo again.");
            return 0;
        }
        if (!varnimo::win::OfferNewCollection(desktop)) {
            return 0;
        }
    }

    varnimo::win::MainWindow::Hooks hooks;
    hooks.closed = [] { ::PostQuitMessage(0); };
    if (quit_when_listed) {
        hooks.started = [&answering_desktop] { ::PostQuitMessage(answering_desktop.ExitStatus()); };
    }
    varnimo::win::MainWindow window(desktop, std::move(hooks));
    if (start.user_collection) {
        window.SetOwnCollection();
    }
    window.Show(SW_SHOWNORMAL);
    MSG message{};
    while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (!window.HandleDialogKeys(message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageA(&message);
        }
    }
    // The quit's status, unless an error box of a timed start set another.
    const int status = static_cast<int>(message.wParam);
    return quit_when_listed ? std::max(status, answering_desktop.ExitStatus()) : status;
}

}  // namespace

int main(int argc, char** argv) {
    const varnimo::ui::WindowArguments start = varnimo::ui::TakeWindowArguments(argc, argv);
    switch (start.action) {
        case varnimo::ui::WindowArguments::Action::Help:
            Say(stdout, kUsage);
            return 0;
        case varnimo::ui::WindowArguments::Action::Version:
            Say(stdout,
                "varnimo " + varnimo::rtl::FloatToStr(varnimo::app::kProgramVersion) + "\n");
            return 0;
        case varnimo::ui::WindowArguments::Action::Usage:
            Say(stderr, "varnimo: " + start.problem + "\n" + kUsage);
            return 2;
        case varnimo::ui::WindowArguments::Action::Run:
            break;
    }
    // The window takes no options of a toolkit: whatever is left is no option of this program.
    if (argc > 1) {
        Say(stderr, std::string("varnimo: unknown argument ") + argv[1] + "\n" + kUsage);
        return 2;
    }
    if (!start.directory.empty() && ::_chdir(start.directory.c_str()) != 0) {
        Say(stderr,
            "varnimo: cannot enter " + start.directory + ": " + std::strerror(errno) + "\n");
        return 2;
    }
    ComApartment com;
    INITCOMMONCONTROLSEX controls{sizeof controls,
                                  ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    try {
        return RunWindow(start);
    } catch (...) {
        // The window could not be made (a stored picture broken, no memory): say why.
        ::MessageBoxA(nullptr, varnimo::rtl::CurrentErrorText().c_str(), "Varnimo",
                      MB_OK | MB_ICONERROR);
        return 1;
    }
}
