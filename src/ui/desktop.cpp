#include "desktop.h"

#include <QDesktopServices>
#include <QFile>
#include <QProcess>

#ifdef Q_OS_UNIX
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#endif

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
#ifdef Q_OS_UNIX
    // Everything the child needs is made before fork: after it only exec and _exit run.
    const char* argv[] = {program.c_str(), argument.c_str(), nullptr};
    const pid_t child = ::fork();
    if (child == 0) {
        // The middle process ends at once, so the emulator is nobody's child to wait for.
        ::setsid();
        if (::fork() == 0) {
            ::execvp(argv[0], const_cast<char* const*>(argv));
        }
        ::_exit(0);
    }
    if (child > 0) {
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
    }
#else
    Desktop::StartDetachedBytes(program, argument);
#endif
}

void QtDesktop::OpenUrl(const QUrl& url) { QDesktopServices::openUrl(url); }

}  // namespace varnimo
