#include "app/user_collection.h"

#include <sys/stat.h>
#include <unistd.h>
#ifdef _WIN32
#include <direct.h>
#endif

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace varnimo {

namespace {

std::string Absolute(const char* value) {
    if (value == nullptr || value[0] != '/')
        return {};
    return value;
}

int MakeFolder(const std::string& path) {
#ifdef _WIN32
    return ::_mkdir(path.c_str());  // Windows keeps a user's application data private already
#else
    return ::mkdir(path.c_str(), 0700);
#endif
}

std::string Failure(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

}  // namespace

std::string UserCollectionFolder() {
    if (std::string data = Absolute(std::getenv("XDG_DATA_HOME")); !data.empty()) {
        return data + "/varnimo";
    }
    if (std::string home = Absolute(std::getenv("HOME")); !home.empty()) {
        return home + "/.local/share/varnimo";
    }
    return {};
}

std::string EnterCollectionFolder(const std::string& folder) {
    if (folder.empty())
        return "no folder for the collection: neither XDG_DATA_HOME nor HOME is set";
    // Each prefix that ends before a separator, then the folder itself.
    for (std::size_t end = folder.find('/', 1);; end = folder.find('/', end + 1)) {
        const std::string part = folder.substr(0, end);
        if (!part.empty() && MakeFolder(part) != 0 && errno != EEXIST) {
            return Failure("cannot make", part);
        }
        if (end == std::string::npos)
            break;
    }
    if (::chdir(folder.c_str()) != 0)
        return Failure("cannot enter", folder);
    return {};
}

}  // namespace varnimo
