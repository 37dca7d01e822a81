#pragma once
// The core's main-window port and the words the window shares with it, named in the
// window's own namespace.

#include "app/main_view.h"

namespace varnimo::win {

using app::BuiltInPicture;
using app::Control;
using app::Emulator;
using app::MainView;
using app::MenuGroup;

}  // namespace varnimo::win
