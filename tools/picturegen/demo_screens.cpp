#include "demo_screens.h"

#include <stdexcept>

namespace varnimo::picturegen {

int WriteDemoScreens(const QString& catalogue, const QString&) {
    throw std::runtime_error("demo screens not drawn yet: " + catalogue.toStdString());
}

}  // namespace varnimo::picturegen
