// varnimo-icons SVG OUTDIR SIZE...: draws the program's icon for the hicolor icon theme,
// OUTDIR/<size>x<size>/apps/varnimo.png for each size. Every size is drawn from the vector
// picture at that size, not scaled down from a big one. Run at build time.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char** argv) {
    // Painting needs the application object; no window is ever shown.
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4) {
        std::fputs("usage: varnimo-icons SVG OUTDIR SIZE...\n", stderr);
        return 2;
    }
    QSvgRenderer renderer(args[1]);
    if (!renderer.isValid()) {
        std::fprintf(stderr, "varnimo-icons: %s is not a readable SVG picture\n",
                     qPrintable(args[1]));
        return 1;
    }
    for (const QString& arg : args.mid(3)) {
        bool ok = false;
        const int size = arg.toInt(&ok);
        if (!ok || size < 1 || size > 4096) {
            std::fprintf(stderr, "varnimo-icons: not an icon size: %s\n", qPrintable(arg));
            return 2;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            renderer.render(&painter);
        }
        const QString dir = QString("%1/%2x%2/apps").arg(args[2]).arg(size);
        if (!QDir().mkpath(dir) || !image.save(dir + "/varnimo.png", "PNG")) {
            std::fprintf(stderr, "varnimo-icons: cannot write %s/varnimo.png\n", qPrintable(dir));
            return 1;
        }
    }
    return 0;
}
