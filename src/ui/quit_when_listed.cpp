#include "quit_when_listed.h"

#include <QCoreApplication>
#include <QTimer>
#include <cstdio>

#include "main_window.h"

namespace varnimo::ui {

namespace {

// An error box ends a timed start at once: the list it waits for may never come.
class AnsweringDesktop final : public Desktop {
  public:
    void ShowBox(QWidget*, QMessageBox::Icon icon, const QString&, const QString& text) override {
        const char* kind = icon == QMessageBox::Critical      ? "error"
                           : icon == QMessageBox::Information ? "info"
                                                              : "notice";
        std::fprintf(stderr, "%s: %s\n", kind, text.toLocal8Bit().constData());
        if (icon == QMessageBox::Critical) {
            QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(1); });
        }
    }
    void StartDetached(const QString&, const QStringList&) override {}
    bool OpenUrl(const QUrl&) override { return true; }
};

}  // namespace

bool QuitWhenListedRequested() {
    return qEnvironmentVariableIntValue("VARNIMO_QUIT_WHEN_LISTED") == 1;
}

std::unique_ptr<Desktop> MakeAnsweringDesktop() {
    return std::make_unique<AnsweringDesktop>();
}

void QuitWhenListed(MainWindow& window) {
    // The start-up sequence fills the list with one model reset; once its handler has
    // returned, the window is drawn in full (the list lays out its lines as it paints) and
    // the program ends.
    QObject::connect(
        &window.TitleModel(), &QAbstractItemModel::modelReset, &window,
        [&window] {
            QTimer::singleShot(0, &window, [&window] {
                window.repaint();
                QCoreApplication::exit(0);
            });
        },
        Qt::SingleShotConnection);
}

}  // namespace varnimo::ui
