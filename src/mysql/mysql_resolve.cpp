#include "mysql/mysql_resolve.h"

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
struct TLookup {
    std::string Host;
    std::string Service;
    std::mutex Mutex;
    std::condition_variable Finished;
    bool Done = false;
    int Code = 0;
    int SystemError = 0;
    addrinfo* Found = nullptr;

    ~TLookup() {
        if (Found) {
            ::freeaddrinfo(Found);
        }
    }
};

int Lookup(const std::string& host, const std::string& service, int flags, addrinfo** found,
           int* systemError) {
    addrinfo hints;
    std::memset(&hints, 0, sizeof hints);
    // Whatever family the name has: an IPv6-only server is as good as an IPv4 one.
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    hints.ai_flags = flags | AI_NUMERICSERV;
    errno = 0;
    int code = ::getaddrinfo(host.c_str(), service.c_str(), &hints, found);
    *systemError = errno;
    return code;
}

void Describe(int code, int systemError, TResolveResult& result) {
#if defined(_WIN32)
    // Winsock's lookup codes are its socket error numbers already.
    (void)systemError;
    result.ErrorNumber = code;
    result.Message = ::gai_strerrorA(code);
#else
    // The resolver's own numbering, as gethostbyname reports it (and as Winsock numbers the
    // same outcomes); a failure of the system underneath keeps its system error number.
    switch (code) {
        case EAI_SYSTEM:
            result.ErrorNumber = systemError;
            result.Message = std::strerror(systemError);
            return;
        case EAI_MEMORY:
            result.ErrorNumber = ENOMEM;
            break;
        case EAI_AGAIN:
            result.ErrorNumber = TRY_AGAIN;
            break;
        case EAI_NONAME:
            result.ErrorNumber = HOST_NOT_FOUND;
            break;
#if defined(EAI_NODATA)
        case EAI_NODATA:
            result.ErrorNumber = NO_DATA;
            break;
#endif
#if defined(EAI_ADDRFAMILY)
        case EAI_ADDRFAMILY:
            result.ErrorNumber = NO_DATA;
            break;
#endif
        default:
            result.ErrorNumber = NO_RECOVERY;
            break;
    }
    result.Message = ::gai_strerror(code);
#endif
}

void TakeAddresses(const addrinfo* found, TResolveResult& result) {
    for (const addrinfo* entry = found; entry; entry = entry->ai_next) {
        if (!entry->ai_addr || entry->ai_addrlen == 0 ||
            static_cast<std::size_t>(entry->ai_addrlen) > sizeof(sockaddr_storage)) {
            continue;
        }
        TResolvedAddress address;
        std::memcpy(&address.Address, entry->ai_addr, entry->ai_addrlen);
        address.Length = static_cast<socklen_t>(entry->ai_addrlen);
        address.Family = entry->ai_family;
        result.Addresses.push_back(address);
    }
}

}  // namespace

TResolveResult ResolveHost(const std::string& hostText, int port,
                           TResolveClock::time_point deadline) {
    std::string host = hostText;
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
    }
    const std::string service = std::to_string(port);
    TResolveResult result;

    // An address needs no name server and cannot hang.
    addrinfo* found = nullptr;
    int systemError = 0;
    if (Lookup(host, service, AI_NUMERICHOST, &found, &systemError) == 0) {
        TakeAddresses(found, result);
        ::freeaddrinfo(found);
        return result;
    }

    auto lookup = std::make_shared<TLookup>();
    lookup->Host = host;
    lookup->Service = service;
    try {
        std::thread([lookup] {
            addrinfo* answer = nullptr;
            int error = 0;
            int code = Lookup(lookup->Host, lookup->Service, 0, &answer, &error);
            std::lock_guard<std::mutex> lock(lookup->Mutex);
            lookup->Code = code;
            lookup->SystemError = error;
            lookup->Found = code == 0 ? answer : nullptr;
            lookup->Done = true;
            lookup->Finished.notify_all();
        }).detach();
    } catch (const std::system_error& error) {
        result.ErrorNumber = error.code().value();
        result.Message = "no thread for the name lookup";
        return result;
    }

    std::unique_lock<std::mutex> lock(lookup->Mutex);
    if (deadline == TResolveClock::time_point::max()) {
        lookup->Finished.wait(lock, [&] { return lookup->Done; });
    } else if (!lookup->Finished.wait_until(lock, deadline, [&] { return lookup->Done; })) {
        // The thread keeps its own reference and frees the answer when it comes.
        result.TimedOut = true;
        result.ErrorNumber = kTimedOutNumber;
        result.Message = "the name lookup timed out";
        return result;
    }
    if (lookup->Code != 0) {
        Describe(lookup->Code, lookup->SystemError, result);
        return result;
    }
    TakeAddresses(lookup->Found, result);
    if (result.Addresses.empty()) {
        Describe(EAI_NONAME, 0, result);
    }
    return result;
}

}  // namespace varnimo::mysql
