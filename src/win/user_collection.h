#pragma once
// The user's own collection on Windows: %APPDATA%\Varnimo, the roaming application data folder
// of the user, which the Start menu entry opens.

#include <string>

namespace varnimo::win {

struct CollectionFolder {
    std::string folder;   // bytes in the system code page
    std::string problem;  // empty on success, else what went wrong
};

// Makes (where missing) the user's collection folder, with access for the user alone, and
// makes it the working directory.
CollectionFolder EnterUserCollection();

}  // namespace varnimo::win
