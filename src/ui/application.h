#pragma once
// The application object: owns the desktop the windows talk to, carries the stored
// pictures, and is the top-level error handler. A runtime error thrown by an event handler
// ends that handler; notify catches it and shows its text in an error box, and the program
// goes on.

#include <QApplication>
#include <memory>
#include <string>

#include "desktop.h"

namespace varnimo::ui {

class Application : public QApplication {
    Q_OBJECT
  public:
    // `desktop` defaults to the real one; tests hand in a recording one.
    Application(int& argc, char** argv, std::unique_ptr<Desktop> desktop = nullptr);
    ~Application() override;

    bool notify(QObject* receiver, QEvent* event) override;

    Desktop& desktop() { return *desktop_; }
    // Shows `text` (bytes in the system code page) the way the top-level handler shows an
    // error that ended a handler: error icon, titled with the application's title.
    void ShowRuntimeError(const std::string& text);

    static Application* instance() {
        return static_cast<Application*>(QCoreApplication::instance());
    }

  private:
    std::unique_ptr<Desktop> desktop_;
};

}  // namespace varnimo::ui
