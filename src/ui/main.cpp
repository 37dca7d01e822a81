// varnimo: the Qt window of the SNES ROM front end.

#include "application.h"
#include "main_window.h"
#include "quit_when_listed.h"

int main(int argc, char** argv) {
    // VARNIMO_QUIT_WHEN_LISTED=1: answer the boxes and end once the list is shown (timing).
    const bool quit_when_listed = varnimo::QuitWhenListedRequested();
    varnimo::Application app(argc, argv,
                             quit_when_listed ? varnimo::MakeAnsweringDesktop() : nullptr);
    // The main window is created first and is the only one shown; closing it ends the
    // program. The dialogs join here, created hidden, in the order Options, About, Update
    // Checker.
    varnimo::TForm1 Form1(app.desktop());
    Form1.show();
    if (quit_when_listed) varnimo::QuitWhenListed(Form1);
    return app.exec();
}
