#pragma once
// The user's own collection on Windows: %APPDATA%\Varnimo, the roaming application data folder
// of the user, which the Start menu entry opens.

#include <string>

#include "rtl/result.h"

namespace varnimo::win {

// Makes (where missing) the user's collection folder, with access for the user alone, and
// makes it the working directory. Returns the folder (bytes in the system code page), or what
// went wrong.
rtl::Result<std::string, std::string> EnterUserCollection();

}  // namespace varnimo::win
