#pragma once
// The POSIX file calls of the text files, on the Windows C runtime. Every file this program
// opens holds bytes: no CR LF translation by the runtime, and no inheritance by the
// emulators it starts. Names go through the runtime's 8-bit (ANSI code page) functions.

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <sys/types.h>

#ifndef O_CLOEXEC
#define O_CLOEXEC (_O_BINARY | _O_NOINHERIT)
#endif

inline int fsync(int fd) {
    return _commit(fd);
}

// Access rights on Windows come from the folder a file is created in.
inline int fchmod(int, mode_t) {
    return 0;
}
