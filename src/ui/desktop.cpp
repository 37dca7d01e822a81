#include "desktop.h"

#include <QDesktopServices>
#include <QFile>
#include <QFontMetrics>
#include <QGridLayout>
#include <QSpacerItem>
#include <vector>

#include "rtl/process.h"

namespace varnimo::ui {

namespace {

// A window manager draws the title beside the window's icon and buttons, often in bold; a box
// only as wide as a short text ("E/A-Fehler 2") had its title cut to "Va... o". Room for the
// title in bold and about ten lines' height of title bar keeps it whole.
int WidthForTitle(const QMessageBox& box) {
    QFont bold = box.font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    return metrics.horizontalAdvance(box.windowTitle()) + 10 * metrics.height();
}

// Every box of the program is made here.
void RunBox(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
            bool copyable) {
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    if (copyable) {
        box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    }
    // The box fixes its size from its layout's minimum when it shows; a spacer across the
    // whole layout holds that minimum at the title's width.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        grid->addItem(
            new QSpacerItem(WidthForTitle(box), 0, QSizePolicy::Fixed, QSizePolicy::Minimum),
            grid->rowCount(), 0, 1, grid->columnCount());
    }
    box.exec();
}

}  // namespace

void Desktop::ShowCopyableBox(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                              const QString& text) {
    ShowBox(parent, icon, title, text);
}

void Desktop::OpenAddress(QWidget* parent, const QUrl& url) {
    if (OpenUrl(url))
        return;
    ShowCopyableBox(parent, QMessageBox::Information, QStringLiteral("Varnimo"),
                    QStringLiteral("No web browser could be started. The address to copy:\n\n") +
                        url.toString());
}

void QtDesktop::ShowBox(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                        const QString& text) {
    RunBox(parent, icon, title, text, false);
}

void QtDesktop::ShowCopyableBox(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                const QString& text) {
    RunBox(parent, icon, title, text, true);
}

void QtDesktop::StartDetached(const QString& program, const QStringList& arguments) {
    // A missing emulator is not reported: the front end never watched what it started.
    std::vector<std::string> bytes;
    for (const QString& argument : arguments)
        bytes.push_back(QFile::encodeName(argument).toStdString());
    rtl::StartDetached(QFile::encodeName(program).toStdString(), bytes);
}

void Desktop::StartDetachedBytes(const std::string& program, const std::string& argument) {
    StartDetached(QFile::decodeName(QByteArray::fromStdString(program)),
                  {QFile::decodeName(QByteArray::fromStdString(argument))});
}

void QtDesktop::StartDetachedBytes(const std::string& program, const std::string& argument) {
    // The one way both programs start an emulator; its outcome is not reported.
    rtl::StartDetached(program, argument);
}

bool QtDesktop::OpenUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

}  // namespace varnimo::ui
