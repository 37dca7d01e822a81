// The real desktop's message boxes, shown offscreen and closed from inside: wide enough for
// their title.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QTimer>

#include "desktop.h"

namespace varnimo {
namespace {

TEST(MessageBoxes, ShowTheirTitleWhole) {
    const struct {
        QMessageBox::Icon icon;
        const char* title;
        const char* text;
    } boxes[] = {
        {QMessageBox::Critical, "Varnimo", "E/A-Fehler 2"},
        {QMessageBox::NoIcon, "Varnimo", ""},
        {QMessageBox::Information, "Information", "Done"},
    };
    QtDesktop desktop;
    for (const auto& expected : boxes) {
        SCOPED_TRACE(std::string(expected.title) + ": " + expected.text);
        QSize size;
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<QMessageBox*>(widget);
                if (box == nullptr || !box->isVisible())
                    continue;
                size = box->size();
                box->accept();
            }
        });
        closer.start(10);
        desktop.ShowBox(nullptr, expected.icon, expected.title, expected.text);
        QFont bold = QApplication::font();
        bold.setBold(true);
        // A title bar keeps some 150 pixels for the window's icon and its buttons.
        EXPECT_GE(size.width(), QFontMetrics(bold).horizontalAdvance(expected.title) + 150)
            << size.width();
    }
}

}  // namespace
}  // namespace varnimo
