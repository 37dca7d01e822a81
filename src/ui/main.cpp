// varnimo: the Qt window of the SNES ROM front end.

#include "application.h"
#include "main_window.h"

int main(int argc, char** argv) {
    varnimo::Application app(argc, argv);
    // The main window is created first and is the only one shown; closing it ends the
    // program. The dialogs join here, created hidden, in the order Options, About, Update
    // Checker.
    varnimo::TForm1 Form1(app.desktop());
    Form1.show();
    return app.exec();
}
