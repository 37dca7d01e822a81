#include "mysql/resolver.h"

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#if !defined(_WIN32)
#include <netdb.h>
#endif

namespace varnimo::mysql {

namespace {

#if defined(_WIN32)
constexpr int kTimedOutNumber = WSAETIMEDOUT;
#else
constexpr int kTimedOutNumber = ETIMEDOUT;
#endif

// What one getaddrinfo call left behind. Shared by the waiting caller and the helper thread,
// because either may be the last to look at it.
struct PendingLookup {
    std::string host;
    std::string service;
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    int code = 0;
    int system_error = 0;
    addrinfo* found = nullptr;

    ~PendingLookup() {
        if (found) {
            ::freeaddrinfo(found);
        }
    }
};

int Lookup(const std::string& host, const std::string& service, int flags, addrinfo** found,
           int* system_error) {
    addrinfo hints;
    std::memset(&hints, 0, sizeof hints);
    // Whatever family the name has: an IPv6-only server is as good as an IPv4 one.
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    hints.ai_flags = flags | AI_NUMERICSERV;
    errno = 0;
    int code = ::getaddrinfo(host.c_str(), service.c_str(), &hints, found);
    *system_error = errno;
    return code;
}

void Describe(int code, int system_error, LookupResult& result) {
#if defined(_WIN32)
    // Winsock's lookup codes are its socket error numbers already.
    (void)system_error;
    result.error_number = code;
    result.message = ::gai_strerrorA(code);
#else
    // The resolver's own numbering, as gethostbyname reports it (and as Winsock numbers the
    // same outcomes); a failure of the system underneath keeps its system error number.
    switch (code) {
        case EAI_SYSTEM:
            result.error_number = system_error;
            result.message = std::strerror(system_error);
            return;
        case EAI_MEMORY:
            result.error_number = ENOMEM;
            break;
        case EAI_AGAIN:
            result.error_number = TRY_AGAIN;
            break;
        case EAI_NONAME:
            result.error_number = HOST_NOT_FOUND;
            break;
#if defined(EAI_NODATA)
        case EAI_NODATA:
            result.error_number = NO_DATA;
            break;
#endif
#if defined(EAI_ADDRFAMILY)
        case EAI_ADDRFAMILY:
            result.error_number = NO_DATA;
            break;
#endif
        default:
            result.error_number = NO_RECOVERY;
            break;
    }
    result.message = ::gai_strerror(code);
#endif
}

void TakeAddresses(const addrinfo* found, LookupResult& result) {
    for (const addrinfo* entry = found; entry; entry = entry->ai_next) {
        if (!entry->ai_addr || entry->ai_addrlen == 0 ||
            static_cast<std::size_t>(entry->ai_addrlen) > sizeof(sockaddr_storage)) {
            continue;
        }
        ResolvedAddress address;
        std::memcpy(&address.address, entry->ai_addr, entry->ai_addrlen);
        address.length = static_cast<socklen_t>(entry->ai_addrlen);
        address.family = entry->ai_family;
        result.addresses.push_back(address);
    }
}

}  // namespace

LookupResult ResolveHost(const std::string& host_text, int port,
                         ResolveClock::time_point deadline) {
    std::string host = host_text;
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
    }
    const std::string service = std::to_string(port);
    LookupResult result;

    // An address needs no name server and cannot hang.
    addrinfo* found = nullptr;
    int system_error = 0;
    if (Lookup(host, service, AI_NUMERICHOST, &found, &system_error) == 0) {
        TakeAddresses(found, result);
        ::freeaddrinfo(found);
        return result;
    }

    auto lookup = std::make_shared<PendingLookup>();
    lookup->host = host;
    lookup->service = service;
    try {
        std::thread([lookup] {
            addrinfo* answer = nullptr;
            int error = 0;
            int code = Lookup(lookup->host, lookup->service, 0, &answer, &error);
            std::lock_guard<std::mutex> lock(lookup->mutex);
            lookup->code = code;
            lookup->system_error = error;
            lookup->found = code == 0 ? answer : nullptr;
            lookup->done = true;
            lookup->finished.notify_all();
        }).detach();
    } catch (const std::system_error& error) {
        result.error_number = error.code().value();
        result.message = "no thread for the name lookup";
        return result;
    }

    std::unique_lock<std::mutex> lock(lookup->mutex);
    if (deadline == ResolveClock::time_point::max()) {
        lookup->finished.wait(lock, [&] { return lookup->done; });
    } else if (!lookup->finished.wait_until(lock, deadline, [&] { return lookup->done; })) {
        // The thread keeps its own reference and frees the answer when it comes.
        result.timed_out = true;
        result.error_number = kTimedOutNumber;
        result.message = "the name lookup timed out";
        return result;
    }
    if (lookup->code != 0) {
        Describe(lookup->code, lookup->system_error, result);
        return result;
    }
    TakeAddresses(lookup->found, result);
    if (result.addresses.empty()) {
        Describe(EAI_NONAME, 0, result);
    }
    return result;
}

}  // namespace varnimo::mysql
