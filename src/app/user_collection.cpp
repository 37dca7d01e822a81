#include "app/user_collection.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "rtl/files.h"

namespace varnimo::app {

namespace {

// The absolute folder an environment variable names, or why it names none.
struct Variable {
    std::string folder;
    std::string problem;
    bool set = false;
};

Variable FolderIn(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] == '\0')
        return {{}, std::string(name) + " is not set", false};
    if (value[0] != '/')
        return {{}, std::string(name) + " is not an absolute path (" + value + ")", true};
    return {value, {}, true};
}

std::string Failure(const std::string& what, const std::string& path, std::error_code error) {
    return what + " " + path + ": " + error.message();
}

// Why the folder is not the user's alone, or nothing.
std::optional<std::string> Untrusted(const std::string& folder, const rtl::OpenedFolder& opened) {
    std::string shown = folder;
    if (rtl::StatusOf(folder, rtl::Links::AsThemselves).kind == rtl::PathKind::Link) {
        const std::string target = rtl::RealPath(folder);
        shown += !target.empty() ? " (a link to " + target + ")" : std::string(" (a link)");
    }
    const char* why = ": its options.dat decides which program starts as the emulator, so ";
    if (!opened.OwnedByUser()) {
        return "the collection folder " + shown + " belongs to another user (uid " +
               std::to_string(opened.Owner()) + ")" + why + "only a folder of your own is used";
    }
    if (opened.WritableByOthers()) {
        char mode[16];
        std::snprintf(mode, sizeof mode, "%04o", opened.Mode());
        return "the collection folder " + shown + " may be written by others (mode " + mode + ")" +
               why + "it is used only when it is yours alone (chmod go-w " + folder + ")";
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> EnterUserCollection() {
    const Variable data = FolderIn("XDG_DATA_HOME");
    if (!data.folder.empty())
        return EnterCollectionFolder(data.folder + "/varnimo");
    const Variable home = FolderIn("HOME");
    if (!home.folder.empty())
        return EnterCollectionFolder(home.folder + "/.local/share/varnimo");
    return "no folder for the collection: " +
           (!data.set && !home.set ? std::string("neither XDG_DATA_HOME nor HOME is set")
                                   : home.problem + " and " + data.problem);
}

std::optional<std::string> EnterCollectionFolder(const std::string& folder) {
    // Each prefix that ends before a separator, then the folder itself.
    for (std::size_t end = folder.find('/', 1);; end = folder.find('/', end + 1)) {
        const std::string part = folder.substr(0, end);
        if (const std::error_code error =
                part.empty() ? std::error_code() : rtl::MakePrivateFolder(part);
            error && error != std::errc::file_exists) {
            return Failure("cannot make", part, error);
        }
        if (end == std::string::npos)
            break;
    }
    // The folder that is checked is the one entered, even if the name is changed meanwhile.
    rtl::OpenedFolder opened(folder);
    if (opened.Error())
        return Failure("cannot enter", folder, opened.Error());
    if (auto problem = Untrusted(folder, opened))
        return problem;
    if (const std::error_code error = opened.Enter())
        return Failure("cannot enter", folder, error);
    return std::nullopt;
}

}  // namespace varnimo::app
