// The floor of a window's start: an empty main window of Varnimo's size, shown offscreen,
// drawn once, then the program ends. The window start of Varnimo is compared with this.

#include <QApplication>
#include <QMainWindow>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setFixedSize(660, 445);
    window.show();
    QTimer::singleShot(0, &window, [&window] {
        window.repaint();
        QCoreApplication::exit(0);
    });
    return app.exec();
}
