#pragma once
// The window's own command-line options, read before the toolkit sees the rest.

#include <string>

namespace varnimo::ui {

struct WindowArguments {
    enum class Action { Run, Help, Version, Usage };
    Action action = Action::Run;
    std::string directory;         // -C DIR
    bool user_collection = false;  // --user-collection
    std::string problem;           // what is wrong, for Action::Usage
};

// Takes -C DIR, --user-collection, --help and --version out of argv (argc shrinks with it)
// and leaves every other argument for the toolkit, which takes its own (-platform, ...).
WindowArguments TakeWindowArguments(int& argc, char** argv);

// The text of --help.
extern const char* const kWindowUsage;

}  // namespace varnimo::ui
