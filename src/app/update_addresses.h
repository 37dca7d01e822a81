#pragma once
// Where Varnimo lives on the net: the update server that the Update Checker asks for the
// newest version numbers, and (from app/homepage.h, which the About dialog shares) the
// homepage that the download link opens. Both are fixed when the program is built.
//
// The update server can be replaced for one run with the environment variable
// VARNIMO_UPDATE_SERVER=host[:port], for a self-hosted server and for the tests; the
// homepage cannot.

#include <optional>
#include <string>
#include <string_view>

#include "app/homepage.h"

namespace varnimo::app {

inline constexpr const char* kUpdateServerHost = "update.varnimo.example";
inline constexpr int kUpdateServerPort = 3306;

inline constexpr const char* kUpdateServerVariable = "VARNIMO_UPDATE_SERVER";

struct UpdateServerAddress {
    std::string host = kUpdateServerHost;
    int port = kUpdateServerPort;
    // The database holding the table of version numbers. Always this one for users; the
    // tests point it at databases of their own.
    std::string database = "varnimo";
};

// "host", "host:port", "[v6 address]" or "[v6 address]:port" (a bare v6 address with more
// than one colon is a host without a port). The port is 1 to 65535 in decimal digits.
// Nothing for an empty host, a bad port or stray characters.
std::optional<UpdateServerAddress> ParseUpdateServer(std::string_view text);

// The update server for this run: the built-in one, or the one VARNIMO_UPDATE_SERVER names.
// A value that cannot be read gives a server with no host, so that the check fails the
// ordinary way instead of reaching a server nobody asked for; `problem` then says why, for
// the caller to print.
UpdateServerAddress UpdateServerFromEnvironment(std::string* problem = nullptr);

}  // namespace varnimo::app
