// The window's share of a keystroke at a million rows, in-process and offscreen: MainWindowLogic's
// search, the title list model's reset and the view's update, with the window shown.
//
// The collection is the one named by VARNIMO_BENCH_DATA + "/c1m" (made by
// varnimo-bench-collection). Show Roms is set to All, so the list holds every match.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QScrollBar>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/main_window_logic.h"
#include "application.h"
#include "main_window.h"

namespace varnimo::bench {
namespace {

// Every box is answered at once; an error box is remembered so the benchmark can refuse to
// time a window that did not start.
class SilentDesktop final : public ui::Desktop {
  public:
    void ShowBox(QWidget*, QMessageBox::Icon icon, const QString&, const QString&) override {
        if (icon == QMessageBox::Critical)
            errors_ = true;
    }
    void StartDetached(const QString&, const QStringList&) override {}
    bool OpenUrl(const QUrl&) override { return true; }
    bool Errors() const { return errors_; }

  private:
    bool errors_ = false;
};

SilentDesktop* g_desktop = nullptr;
ui::MainWindow* g_window = nullptr;

// Lets the window handle what the last change queued: layout and painting.
void Settle() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// True once the list's scroll range covers every line: the view has laid them all out.
bool LaidOut() {
    const auto* list = g_window->findChild<QAbstractItemView*>(QStringLiteral("titleList"));
    const int lines = g_window->TitleModel().rowCount();
    const int line_height = ui::TitleListModel::kLineHeight;
    const int shown = list->viewport()->height() / line_height;
    const int needed = list->verticalScrollMode() == QAbstractItemView::ScrollPerItem
                           ? lines - shown - 1
                           : (lines - shown - 1) * line_height;
    return needed <= 0 || list->verticalScrollBar()->maximum() >= needed;
}

// One keystroke: the last letter of the search text is typed and the list rebuilt. With
// `whole_layout` false the figure ends when the window has handled what the rebuild queued
// (the list is drawn with its new first lines); the rest of a batched layout then runs
// untimed. With it true the figure runs until every line is laid out.
void Keystroke(benchmark::State& state, std::string text, bool whole_layout) {
    if (g_desktop->Errors() || g_window->TitleModel().rowCount() == 0) {
        state.SkipWithError("the window did not show the collection");
        return;
    }
    app::MainWindowLogic& logic = g_window->Logic();
    logic.SetFilter(app::MenuGroup::ShowRoms, 2);
    // The box held the text without its last letter, and the user types that letter.
    const std::string before = text.empty() ? text : text.substr(0, text.size() - 1);
    for (auto _ : state) {
        state.PauseTiming();
        g_window->SetSearchText(before);
        Settle();
        while (!LaidOut())
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        state.ResumeTiming();
        if (text.empty()) {
            logic.SearchChanged();  // the whole list again, as Clear does
        } else {
            g_window->SetSearchText(text);
        }
        Settle();
        if (whole_layout) {
            while (!LaidOut())
                QCoreApplication::processEvents(QEventLoop::AllEvents);
        } else {
            state.PauseTiming();
            while (!LaidOut())
                QCoreApplication::processEvents(QEventLoop::AllEvents);
            state.ResumeTiming();
        }
    }
    state.counters["listed"] = g_window->TitleModel().rowCount();
    g_window->SetSearchText("");
    logic.SetFilter(app::MenuGroup::ShowRoms, -1);
    Settle();
    while (!LaidOut())
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace
}  // namespace varnimo::bench

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const char* data = std::getenv("VARNIMO_BENCH_DATA");
    if (data == nullptr || ::chdir((std::string(data) + "/c1m").c_str()) != 0) {
        std::fprintf(stderr, "VARNIMO_BENCH_DATA must name the folder holding c1m\n");
        return 2;
    }
    auto desktop = std::make_unique<varnimo::bench::SilentDesktop>();
    varnimo::bench::g_desktop = desktop.get();
    varnimo::ui::Application app(argc, argv, std::move(desktop));
    varnimo::ui::MainWindow window(app.desktop());
    varnimo::bench::g_window = &window;
    window.show();
    // The start-up sequence runs from the first activation; wait for it (bounded).
    for (int i = 0;
         i < 6000 && window.TitleModel().rowCount() == 0 && !varnimo::bench::g_desktop->Errors();
         ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        ::usleep(1000);
    }
    for (const auto& [name, text] : {std::pair<const char*, const char*>{"all", ""},
                                     {"letter", "a"},
                                     {"region", "(u)"},
                                     {"nomatch", "zelda"}}) {
        // Each keystroke first sets the text before it, untimed: a fixed count keeps a quick
        // keystroke from repeating that thousands of times.
        benchmark::RegisterBenchmark((std::string("window_search/1m/") + name).c_str(),
                                     varnimo::bench::Keystroke, std::string(text), false)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Iterations(30);
        benchmark::RegisterBenchmark((std::string("window_layout/1m/") + name).c_str(),
                                     varnimo::bench::Keystroke, std::string(text), true)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Iterations(30);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
