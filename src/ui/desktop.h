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

namespace varnimo::ui {

class Desktop {
  public:
    virtual ~Desktop() = default;
    // A modal box with one OK button; returns when it is closed.
    virtual void ShowBox(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                         const QString& text) = 0;
    // The same with a text the user can select and copy (an address to paste elsewhere). By
    // default it is shown as any other box.
    virtual void ShowCopyableBox(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                 const QString& text);
    // Starts `program` with `arguments`, without a shell and without waiting. The outcome is
    // not reported: the caller has nothing to do with it.
    virtual void StartDetached(const QString& program, const QStringList& arguments) = 0;
    // The same with the program and its one argument as the bytes the program holds. Names
    // from 8-bit files need not be valid in the locale's encoding, and a round trip through
    // QString would change such bytes; by default it decodes and starts as above.
    virtual void StartDetachedBytes(const std::string& program, const std::string& argument);
    // Hands `url` to the system's handler for web addresses; false when nothing took it.
    virtual bool OpenUrl(const QUrl& url) = 0;
    // Opens `url`; when nothing can, shows the address in a box the user can copy it from,
    // so the click never goes unanswered.
    void OpenAddress(QWidget* parent, const QUrl& url);
};

// The real desktop: QMessageBox, rtl::StartDetached, QDesktopServices.
class QtDesktop final : public Desktop {
  public:
    void ShowBox(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                 const QString& text) override;
    void ShowCopyableBox(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                         const QString& text) override;
    void StartDetached(const QString& program, const QStringList& arguments) override;
    // Starts the program file with exactly these bytes, no shell, not waited for.
    void StartDetachedBytes(const std::string& program, const std::string& argument) override;
    bool OpenUrl(const QUrl& url) override;
};

}  // namespace varnimo::ui
