#pragma once
// Work split into parts that this thread and one helper thread take one at a time. A helper
// that does not get a core soon (a busy machine) costs nothing but its start: this thread
// takes every part nobody has taken and waits only for a part the helper is working on.

#include <cstddef>
#include <functional>

namespace varnimo::catalogue {

// Calls part(k) once for every k in [0, parts), on this thread and one more, and returns when
// all calls have returned. Without a second thread (none can be started) all run here.
// `part` must not throw: the other thread may be inside a call of its own.
void ShareWork(std::size_t parts, const std::function<void(std::size_t)>& part);

}  // namespace varnimo::catalogue
