// varnimo: the Qt window of the SNES ROM front end.

#include <cstdio>

#include "app/program_version.h"
#include "app/user_collection.h"
#include "application.h"
#include "main_window.h"
#include "new_collection_dialog.h"
#include "quit_when_listed.h"
#include "rtl/convert.h"
#include "rtl/files.h"
#include "window_arguments.h"

int main(int argc, char** argv) {
    const varnimo::ui::WindowArguments start = varnimo::ui::TakeWindowArguments(argc, argv);
    switch (start.action) {
        case varnimo::ui::WindowArguments::Action::Help:
            std::fputs(varnimo::ui::kWindowUsage, stdout);
            return 0;
        case varnimo::ui::WindowArguments::Action::Version:
            // Printed before the locale is taken in, so the version reads the same everywhere.
            std::printf("varnimo %s\n",
                        varnimo::rtl::FloatToStr(varnimo::app::kProgramVersion).c_str());
            return 0;
        case varnimo::ui::WindowArguments::Action::Usage:
            std::fprintf(stderr, "varnimo: %s\n%s", start.problem.c_str(),
                         varnimo::ui::kWindowUsage);
            return 2;
        case varnimo::ui::WindowArguments::Action::Run:
            break;
    }
    if (const std::error_code error = start.directory.empty()
                                          ? std::error_code()
                                          : varnimo::rtl::EnterFolder(start.directory)) {
        std::fprintf(stderr, "varnimo: cannot enter %s: %s\n", start.directory.c_str(),
                     error.message().c_str());
        return 2;
    }
    if (start.user_collection) {
        if (const auto problem = varnimo::app::EnterUserCollection()) {
            std::fprintf(stderr, "varnimo: %s\n", problem->c_str());
            return 1;
        }
    }

    // VARNIMO_QUIT_WHEN_LISTED=1: answer the boxes and end once the list is shown (timing).
    const bool quit_when_listed = varnimo::ui::QuitWhenListedRequested();
    varnimo::ui::Application app(argc, argv,
                                 quit_when_listed ? varnimo::ui::MakeAnsweringDesktop() : nullptr);
    // Whatever the toolkit did not take is no option of this program.
    if (const QStringList rest = app.arguments(); rest.size() > 1) {
        std::fprintf(stderr, "varnimo: unknown argument %s\n%s", rest[1].toLocal8Bit().constData(),
                     varnimo::ui::kWindowUsage);
        return 2;
    }
    // A collection of the user's own starts empty: ask for the folders to make it from. Cancel
    // leaves the folder as it was and ends the program: there is nothing to show, and nothing
    // the user did wrong.
    if (start.user_collection && !varnimo::ui::OfferNewCollection(app.desktop()))
        return 0;
    // The main window is created first and is the only one shown; closing it ends the
    // program. The dialogs join here, created hidden, in the order Options, About, Update
    // Checker.
    varnimo::ui::MainWindow window(app.desktop());
    if (start.user_collection)
        window.SetOwnCollection();
    window.show();
    if (quit_when_listed)
        varnimo::ui::QuitWhenListed(window);
    return app.exec();
}
