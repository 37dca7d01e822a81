#pragma once
// The two calls of the named-pipe open, replaceable for tests: a pipe that a wait reports
// free and the next open still finds busy happens only when another client wins the race,
// which no test can arrange with real pipes.

#include <windows.h>

namespace varnimo::mysql {

struct PipeCalls {
    HANDLE (*open)(const char* path);
    BOOL (*wait)(const char* path, DWORD millis);
};

// Puts `calls` in place of the system's and returns what was there.
PipeCalls ReplacePipeCalls(PipeCalls calls);

}  // namespace varnimo::mysql
