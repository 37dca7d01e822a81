// The real desktop's message boxes, shown offscreen and closed from inside: wide enough for
// their title, and with a text that can be selected by mouse and keyboard where they offer
// one to copy (other boxes keep what the style gives).

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QTimer>

#include "desktop.h"

namespace varnimo::ui {
namespace {

TEST(MessageBoxes, ShowTheirTitleWholeAndLetACopyableTextBeSelected) {
    const struct {
        QMessageBox::Icon icon;
        const char* title;
        const char* text;
        bool copyable;
    } boxes[] = {
        {QMessageBox::Critical, "Varnimo", "E/A-Fehler 2", false},
        {QMessageBox::NoIcon, "Varnimo", "", false},
        {QMessageBox::Information, "Information", "Done", false},
        {QMessageBox::Information, "Varnimo", "http://www.varnimo.example/", true},
    };
    QtDesktop desktop;
    for (const auto& expected : boxes) {
        SCOPED_TRACE(std::string(expected.title) + ": " + expected.text);
        QSize size;
        Qt::TextInteractionFlags flags;
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<QMessageBox*>(widget);
                if (box == nullptr || !box->isVisible())
                    continue;
                size = box->size();
                flags = box->textInteractionFlags();
                box->accept();
            }
        });
        closer.start(10);
        if (expected.copyable) {
            desktop.ShowCopyableBox(nullptr, expected.icon, expected.title, expected.text);
        } else {
            desktop.ShowBox(nullptr, expected.icon, expected.title, expected.text);
        }
        QFont bold = QApplication::font();
        bold.setBold(true);
        // A title bar keeps some 150 pixels for the window's icon and its buttons.
        EXPECT_GE(size.width(), QFontMetrics(bold).horizontalAdvance(expected.title) + 150)
            << size.width();
        if (expected.copyable) {
            EXPECT_TRUE(flags.testFlag(Qt::TextSelectableByMouse));
            EXPECT_TRUE(flags.testFlag(Qt::TextSelectableByKeyboard));
        }
    }
}

}  // namespace
}  // namespace varnimo::ui
