// One application object for every GUI test, with the recording desktop in it.

#include <gtest/gtest.h>

#include "application.h"
#include "recording_desktop.h"

namespace varnimo::test {

namespace {
RecordingDesktop* g_desktop = nullptr;
}

RecordingDesktop& Desktop() {
    return *g_desktop;
}

}  // namespace varnimo::test

int main(int argc, char** argv) {
    // Listing the tests must work without a display too.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    testing::InitGoogleTest(&argc, argv);
    auto desktop = std::make_unique<varnimo::test::RecordingDesktop>();
    varnimo::test::g_desktop = desktop.get();
    varnimo::ui::Application app(argc, argv, std::move(desktop));
    return RUN_ALL_TESTS();
}
