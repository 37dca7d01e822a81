// Opens the main window on the collection in the current folder, lets the start-up run
// (boxes are printed and answered), optionally selects a line and a background, and saves
// a picture of the whole window:
//   varnimo-window-snapshot <out.png> [line] [background tag] [menu name]
// With a menu name (settingsMenu, genreMenu, regionMenu...) that menu is opened and the whole
// screen is saved, so the check marks can be seen.

#include <QAbstractItemView>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>
#include <cstdio>

#include "app/main_window_logic.h"
#include "application.h"
#include "main_window.h"

namespace {

class PrintingDesktop final : public varnimo::ui::Desktop {
  public:
    void ShowBox(QWidget*, QMessageBox::Icon, const QString& title, const QString& text) override {
        std::fprintf(stderr, "box [%s] %s\n", qPrintable(title), qPrintable(text));
    }
    void StartDetached(const QString& program, const QStringList& arguments) override {
        std::fprintf(stderr, "start %s %s\n", qPrintable(program), qPrintable(arguments.join(' ')));
    }
    bool OpenUrl(const QUrl& url) override {
        std::fprintf(stderr, "open %s\n", qPrintable(url.toString()));
        return true;
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: varnimo-window-snapshot <out.png> [line] [background tag]\n");
        return 2;
    }
    varnimo::ui::Application app(argc, argv, std::make_unique<PrintingDesktop>());
    varnimo::ui::MainWindow window(app.desktop());
    window.show();
    const QString out = QString::fromLocal8Bit(argv[1]);
    const int line = argc > 2 ? std::atoi(argv[2]) : -1;
    const int background = argc > 3 ? std::atoi(argv[3]) : -1;
    const QString menu_name = argc > 4 ? QString::fromLocal8Bit(argv[4]) : QString();
    QTimer::singleShot(1500, &window, [&] {
        auto* list = window.findChild<QAbstractItemView*>("titleList");
        if (line >= 0 && list->model()->rowCount() > line) {
            list->setCurrentIndex(list->model()->index(line, 0));
        }
        window.Logic().ChooseBackground(background);
        if (auto* menu = window.findChild<QMenu*>(menu_name); !menu_name.isEmpty() && menu) {
            window.menuBar()->setActiveAction(menu->menuAction());
        }
        QTimer::singleShot(300, &window, [&] {
            const QPixmap picture = menu_name.isEmpty()
                                        ? window.grab()
                                        : QGuiApplication::primaryScreen()->grabWindow(0);
            const bool saved = picture.save(out);
            std::fprintf(stderr, "%s %s\n", saved ? "saved" : "could not save", qPrintable(out));
            app.exit(saved ? 0 : 1);
        });
    });
    return app.exec();
}
