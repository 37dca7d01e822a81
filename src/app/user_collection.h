#pragma once
// The user's own collection: a folder in the user's data folder that holds the data files
// when the program is started from the desktop menu rather than from a collection's folder.

#include <optional>
#include <string>

namespace varnimo::app {

// Makes (where missing) and enters the user's own collection folder: $XDG_DATA_HOME/varnimo,
// or $HOME/.local/share/varnimo when XDG_DATA_HOME is unset, empty or not an absolute path.
// Returns nothing once the folder is entered, else what is wrong: neither variable gives an
// absolute folder (saying which is unset and which relative), or EnterCollectionFolder's reason.
std::optional<std::string> EnterUserCollection();

// Makes `folder` and whatever of its parents is missing, each with mode 0700 (the user's
// data is nobody else's business), then makes it the working directory. The folder's
// options.dat decides which program runs as the emulator, so a folder (or the folder a link
// names) that another user owns, or that its group or others may write to, is refused, as
// ssh refuses its own; its parents are the system's business. Returns nothing once the
// folder is entered, else what failed, with the system's reason. On Windows, whose application data
// is the user's own already, the folder is entered as it is.
std::optional<std::string> EnterCollectionFolder(const std::string& folder);

}  // namespace varnimo::app
