// varnimo-picturegen: draws the pictures stored in the window and the demo screenshots.
//   varnimo-picturegen pictures <outdir>
//   varnimo-picturegen demo-screens <catalogue> <outdir>
//   varnimo-picturegen windows-pictures <svg folder> <outdir>
#include <QDir>
#include <QGuiApplication>

#include <cstdio>
#include <exception>

#include "demo_screens.h"
#include "stored_pictures.h"
#include "windows_pictures.h"

int main(int argc, char** argv) {
    // Fonts and text paths need the application object; no window is ever shown.
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    try {
        if (args.size() == 3 && args[1] == "pictures") {
            QDir().mkpath(args[2]);
            varnimo::picturegen::WriteStoredPictures(args[2]);
            return 0;
        }
        if (args.size() == 4 && args[1] == "demo-screens") {
            QDir().mkpath(args[3]);
            const int written = varnimo::picturegen::WriteDemoScreens(args[2], args[3]);
            std::printf("%d screenshots written\n", written);
            return 0;
        }
        if (args.size() == 4 && args[1] == "windows-pictures") {
            QDir().mkpath(args[3]);
            varnimo::picturegen::WriteWindowsPictures(args[2], args[3]);
            return 0;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "varnimo-picturegen: %s\n", e.what());
        return 1;
    }
    std::fprintf(stderr,
                 "usage: varnimo-picturegen pictures <outdir>\n"
                 "       varnimo-picturegen demo-screens <catalogue> <outdir>\n"
                 "       varnimo-picturegen windows-pictures <svg folder> <outdir>\n");
    return 2;
}
