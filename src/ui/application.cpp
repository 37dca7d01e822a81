#include "application.h"

#include <QIcon>

#include "rtl/runtime_error.h"

// Resources of a static library must be registered by name, outside any namespace.
static void RegisterStoredPictures() {
    Q_INIT_RESOURCE(pictures);
}

namespace varnimo::ui {

Application::Application(int& argc, char** argv, std::unique_ptr<Desktop> desktop)
    : QApplication(argc, argv), desktop_(std::move(desktop)) {
    if (!desktop_)
        desktop_ = std::make_unique<QtDesktop>();
    RegisterStoredPictures();
    setApplicationName(QStringLiteral("Varnimo"));
    setWindowIcon(QIcon(QStringLiteral(":/pictures/varnimo.svg")));
}

Application::~Application() = default;

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        // A runtime error, or one not of ours (memory ran out, anything at all): end only
        // this handler, never the program, and say what happened.
        ShowRuntimeError(rtl::CurrentErrorText());
    }
    return false;
}

void Application::ShowRuntimeError(const std::string& text) {
    desktop_->ShowBox(activeWindow(), QMessageBox::Critical, QStringLiteral("Varnimo"),
                      QString::fromLocal8Bit(text));
}

}  // namespace varnimo::ui
