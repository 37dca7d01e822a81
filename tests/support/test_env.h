#pragma once
// Setting and removing environment variables of the test process itself.

#include <cstdlib>
#include <string>

namespace varnimo::testing {

inline void SetVariable(const char* name, const std::string& value) {
#ifdef _WIN32
    ::_putenv_s(name, value.c_str());
#else
    ::setenv(name, value.c_str(), 1);
#endif
}

inline void UnsetVariable(const char* name) {
#ifdef _WIN32
    ::_putenv_s(name, "");  // an empty value removes it there
#else
    ::unsetenv(name);
#endif
}

}  // namespace varnimo::testing
