#pragma once
// Work in parts, taken one at a time by this thread and one helper thread. The helper is
// started once, at the first work that has two parts, waits for work between calls and is
// joined when the program ends: no thread is started per call. A helper that does not get a
// core soon (a busy machine) costs nothing: this thread takes every part nobody has taken,
// waits only for a part the helper is working on, and takes back work the helper has not
// begun.

#include <cstddef>
#include <functional>

namespace varnimo::rtl {

// Calls part(k) once for every k in [0, parts) and returns when all calls have returned. The
// helper takes a share when it is free; while it works for another call (a call from inside a
// part among them) or cannot be started, every part runs on this thread. `part` must not
// throw: the other thread may be inside a call of its own.
void ShareWork(std::size_t parts, const std::function<void(std::size_t)>& part);

}  // namespace varnimo::rtl
