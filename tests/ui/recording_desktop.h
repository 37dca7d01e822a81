#pragma once
// The desktop of the GUI tests: records every box, program start and address (opened, or
// not when a test says so), and closes each box at once (after running `while_open`, which
// stands for what happens while a modal box is up).

#include <QStringList>
#include <functional>
#include <vector>

#include "desktop.h"

namespace varnimo::test {

struct RecordedBox {
    QMessageBox::Icon icon;
    QString title;
    QString text;
    bool copyable = false;
};

struct RecordedStart {
    QString program;
    QStringList arguments;
};

class RecordingDesktop final : public ui::Desktop {
  public:
    void ShowBox(QWidget*, QMessageBox::Icon icon, const QString& title,
                 const QString& text) override {
        boxes.push_back({icon, title, text});
        if (while_open)
            while_open(boxes.back());
    }
    void ShowCopyableBox(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                         const QString& text) override {
        ShowBox(parent, icon, title, text);
        boxes.back().copyable = true;
    }
    void StartDetached(const QString& program, const QStringList& arguments) override {
        starts.push_back({program, arguments});
    }
    bool OpenUrl(const QUrl& url) override {
        urls.push_back(url);
        return opens_urls;
    }

    QStringList Texts() const {
        QStringList texts;
        for (const RecordedBox& box : boxes)
            texts << box.text;
        return texts;
    }
    void Clear() {
        boxes.clear();
        starts.clear();
        urls.clear();
        opens_urls = true;
        while_open = nullptr;
    }

    std::vector<RecordedBox> boxes;
    std::vector<RecordedStart> starts;
    std::vector<QUrl> urls;
    bool opens_urls = true;  // false: as on a system without a web browser
    std::function<void(const RecordedBox&)> while_open;
};

// The desktop the test application was created with.
RecordingDesktop& Desktop();

}  // namespace varnimo::test
