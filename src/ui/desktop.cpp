#include "desktop.h"

#include <QDesktopServices>
#include <QFile>
#include <QProcess>

#include "rtl/process.h"

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

void Desktop::StartDetachedBytes(const std::string& program, const std::string& argument) {
    StartDetached(QFile::decodeName(QByteArray::fromStdString(program)),
                  {QFile::decodeName(QByteArray::fromStdString(argument))});
}

void QtDesktop::StartDetachedBytes(const std::string& program, const std::string& argument) {
    // The one way both programs start an emulator; its outcome is not reported.
    rtl::StartDetached(program, argument);
}

void QtDesktop::OpenUrl(const QUrl& url) { QDesktopServices::openUrl(url); }

}  // namespace varnimo
