#pragma once
// Name lookup for the TCP transport, bounded in time. The system resolver has no time limit
// of its own that a caller can set: a name server that never answers would hold the
// connection (and the window waiting on it) for as long as the resolver's own retries last.
// Here the lookup runs on a helper thread and the caller waits for it only until its
// deadline; a lookup that is still running then finishes on its own and frees what it found.

#include <chrono>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <sys/socket.h>
#endif

namespace varnimo::mysql {

struct ResolvedAddress {
    sockaddr_storage address{};
    socklen_t length = 0;
    int family = 0;
};

struct LookupResult {
    // In the resolver's order, IPv6 and IPv4 alike; empty when the lookup failed.
    std::vector<ResolvedAddress> addresses;
    // Why it failed: the platform's number for it (the resolver's error number as
    // gethostbyname reports it, a system error number for a system failure, the platform's
    // "timed out" number when the deadline passed) and the platform's words for it.
    int error_number = 0;
    std::string message;
    bool timed_out = false;
};

using ResolveClock = std::chrono::steady_clock;

// Looks up `host` for a TCP connection to `port`: a name, a dotted IPv4 address or an IPv6
// address (bare, or in brackets as in "[::1]"). Addresses are read at once; a name is looked
// up until `deadline` at the latest (ResolveClock::time_point::max(): no limit).
LookupResult ResolveHost(const std::string& host, int port, ResolveClock::time_point deadline);

}  // namespace varnimo::mysql
