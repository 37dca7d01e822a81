#include "app/about_box.h"

#include "app/homepage.h"

namespace varnimo::app {

void AboutBox::OpenHomepage() {
    // The box stays open either way.
    view_.OpenAddress(kHomepageAddress);
}

void AboutBox::Exit() {
    view_.Close();
}

}  // namespace varnimo::app
