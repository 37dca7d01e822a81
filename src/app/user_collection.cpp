#include "app/user_collection.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef _WIN32
#include <direct.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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

#ifndef _WIN32
// Why the folder `info` describes is not the user's alone, or nothing.
std::string Untrusted(const std::string& folder, const struct stat& info) {
    std::string shown = folder;
    struct stat link {};
    if (::lstat(folder.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        char* target = ::realpath(folder.c_str(), nullptr);
        shown += target != nullptr ? std::string(" (a link to ") + target + ")" : " (a link)";
        std::free(target);
    }
    const char* why = ": its options.dat decides which program starts as the emulator, so ";
    if (info.st_uid != ::geteuid()) {
        return "the collection folder " + shown + " belongs to another user (uid " +
               std::to_string(info.st_uid) + ")" + why + "only a folder of your own is used";
    }
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
        return "the collection folder " + shown + " may be written by others (mode " + mode + ")" +
               why + "it is used only when it is yours alone (chmod go-w " + folder + ")";
    }
    return {};
}
#endif

}  // namespace

std::string EnterUserCollection() {
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

std::string EnterCollectionFolder(const std::string& folder) {
    // Each prefix that ends before a separator, then the folder itself.
    for (std::size_t end = folder.find('/', 1);; end = folder.find('/', end + 1)) {
        const std::string part = folder.substr(0, end);
        if (!part.empty() && MakeFolder(part) != 0 && errno != EEXIST) {
            return Failure("cannot make", part);
        }
        if (end == std::string::npos)
            break;
    }
#ifdef _WIN32
    if (::chdir(folder.c_str()) != 0)
        return Failure("cannot enter", folder);
    return {};
#else
    // The folder that is checked is the one entered, even if the name is changed meanwhile.
#ifdef O_PATH
    const int fd = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
#else
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
#endif
    if (fd < 0)
        return Failure("cannot enter", folder);
    struct stat info {};
    std::string problem;
    if (::fstat(fd, &info) != 0) {
        problem = Failure("cannot enter", folder);
    } else {
        problem = Untrusted(folder, info);
    }
    if (problem.empty() && ::fchdir(fd) != 0)
        problem = Failure("cannot enter", folder);
    ::close(fd);
    return problem;
#endif
}

}  // namespace varnimo::app
