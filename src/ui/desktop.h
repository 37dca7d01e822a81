#pragma once
// What the windows ask of the desktop around them: modal message boxes, starting a
// program, opening a web address. The application object holds one; the GUI tests put in
// one that records every request and answers every box, so no person has to.

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <string>

class QWidget;

namespace varnimo {

class Desktop {
public:
    virtual ~Desktop() = default;
    // A modal box with one OK button; returns when it is closed.
    virtual void ShowBox(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                         const QString& text) = 0;
    // Starts `program` with `arguments`, without a shell and without waiting. The outcome is
    // not reported: the caller has nothing to do with it.
    virtual void StartDetached(const QString& program, const QStringList& arguments) = 0;
    // The same with the program and its one argument as the bytes the program holds. Names
    // from 8-bit files need not be valid in the locale's encoding, and a round trip through
    // QString would change such bytes; by default it decodes and starts as above.
    virtual void StartDetachedBytes(const std::string& program, const std::string& argument);
    virtual void OpenUrl(const QUrl& url) = 0;
};

// The real desktop: QMessageBox, QProcess, QDesktopServices.
class QtDesktop final : public Desktop {
public:
    void ShowBox(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                 const QString& text) override;
    void StartDetached(const QString& program, const QStringList& arguments) override;
    // Starts the program file with exactly these bytes, no shell, not waited for.
    void StartDetachedBytes(const std::string& program, const std::string& argument) override;
    void OpenUrl(const QUrl& url) override;
};

}  // namespace varnimo
