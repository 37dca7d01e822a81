#pragma once
// The user's own collection: a folder in the user's data folder that holds the data files
// when the program is started from the desktop menu rather than from a collection's folder.

#include <string>

namespace varnimo {

// $XDG_DATA_HOME/varnimo, or $HOME/.local/share/varnimo when XDG_DATA_HOME is unset, empty
// or not an absolute path. Empty when neither gives an absolute folder.
std::string UserCollectionFolder();

// Makes `folder` and whatever of its parents is missing, each with mode 0700 (the user's
// data is nobody else's business), then makes it the working directory. Returns an empty
// text on success, else what failed, with the system's reason.
std::string EnterCollectionFolder(const std::string& folder);

}  // namespace varnimo
