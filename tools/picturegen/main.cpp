// varnimo-picturegen: draws the pictures stored in the window and the demo screenshots.
//   varnimo-picturegen pictures <outdir>
//   varnimo-picturegen demo-screens <catalogue> <outdir>
//   varnimo-picturegen icons <svg> <outdir> <size>...   (icon theme PNGs, at build time)
#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include <cstdio>
#include <exception>
#include <stdexcept>

#include "demo_screens.h"
#include "paint_kit.h"
#include "stored_pictures.h"

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
        if (args.size() >= 5 && args[1] == "icons") {
            // <outdir>/<size>x<size>/apps/varnimo.png, the layout of the hicolor theme; each
            // size is drawn from the vector picture, not scaled down from a big one.
            QFile file(args[2]);
            if (!file.open(QIODevice::ReadOnly)) {
                throw std::runtime_error("cannot read " + args[2].toStdString());
            }
            const QByteArray svg = file.readAll();
            for (const QString& arg : args.mid(4)) {
                bool ok = false;
                const int size = arg.toInt(&ok);
                if (!ok || size < 1 || size > 4096) {
                    throw std::runtime_error("not an icon size: " + arg.toStdString());
                }
                const QString dir = QString("%1/%2x%2/apps").arg(args[3]).arg(size);
                QDir().mkpath(dir);
                varnimo::picturegen::SaveImage(
                    varnimo::picturegen::RenderSvg(svg, size, size, args[2]), dir + "/varnimo.png");
            }
            return 0;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "varnimo-picturegen: %s\n", e.what());
        return 1;
    }
    std::fprintf(stderr,
                 "usage: varnimo-picturegen pictures <outdir>\n"
                 "       varnimo-picturegen demo-screens <catalogue> <outdir>\n"
                 "       varnimo-picturegen icons <svg> <outdir> <size>...\n");
    return 2;
}
