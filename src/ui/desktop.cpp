#include "desktop.h"

#include <QDesktopServices>
#include <QProcess>

namespace varnimo {

void QtDesktop::ShowBox(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                        const QString& text) {
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    box.exec();
}

void QtDesktop::StartDetached(const QString& program, const QStringList& arguments) {
    // A missing emulator is not reported: the front end never watched what it started.
    QProcess::startDetached(program, arguments);
}

void QtDesktop::OpenUrl(const QUrl& url) { QDesktopServices::openUrl(url); }

}  // namespace varnimo
