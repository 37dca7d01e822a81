// Name lookups of the transport against a name server of the test's own: the test runs the
// lookup in a child with a private network and mount namespace whose /etc/resolv.conf names
// a UDP socket of the child on 127.0.0.1. That server either never answers or says that no
// such name exists.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <net/if.h>
#include <netdb.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <netinet/in.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include "mysql/errors.h"
#include "mysql/transport.h"

namespace varnimo::mysql {
namespace {

enum class NameServer { Silent, NoSuchName };

struct Report {
    bool skipped = false;
    ConnectStatus result = ConnectStatus::Connected;
    int32_t code = 0;
    bool open = false;
    double seconds = 0;
    char text[256] = {};
};

bool WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path);
    out << text;
    return static_cast<bool>(out.flush());
}

// The child's own network and /etc/resolv.conf; false (with the reason) where the machine
// does not allow namespaces.
bool EnterPrivateNetwork(const std::string& resolv_conf, std::string& why) {
    const uid_t uid = ::geteuid();
    const gid_t gid = ::getegid();
    int flags = CLONE_NEWNS | CLONE_NEWNET;
    if (uid != 0) {
        flags |= CLONE_NEWUSER;
    }
    if (::unshare(flags) != 0) {
        why = std::string("unshare: ") + std::strerror(errno);
        return false;
    }
    if (uid != 0 && !(WriteFile("/proc/self/setgroups", "deny") &&
                      WriteFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") &&
                      WriteFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1"))) {
        why = "cannot map the user into its namespace";
        return false;
    }
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount(resolv_conf.c_str(), "/etc/resolv.conf", nullptr, MS_BIND, nullptr) != 0) {
        why = std::string("mount: ") + std::strerror(errno);
        return false;
    }
    int s = ::socket(AF_INET, SOCK_DGRAM, 0);
    ifreq request{};
    std::strcpy(request.ifr_name, "lo");
    bool up = s >= 0 && ::ioctl(s, SIOCGIFFLAGS, &request) == 0;
    request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP);
    up = up && ::ioctl(s, SIOCSIFFLAGS, &request) == 0;
    if (s >= 0) {
        ::close(s);
    }
    if (!up) {
        why = "cannot bring up the private loopback";
    }
    return up;
}

// A name server on 127.0.0.1:53 that reads every query and either drops it or answers that
// the name does not exist.
bool StartNameServer(NameServer kind) {
    int s = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(53);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (s < 0 || ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        return false;
    }
    std::thread([s, kind] {
        for (;;) {
            unsigned char query[512];
            sockaddr_in from{};
            socklen_t length = sizeof from;
            ssize_t n =
                ::recvfrom(s, query, sizeof query, 0, reinterpret_cast<sockaddr*>(&from), &length);
            if (n < 12 || kind == NameServer::Silent) {
                continue;
            }
            query[2] |= 0x80;                                                 // a response
            query[3] = static_cast<unsigned char>((query[3] & 0x70) | 0x83);  // NXDOMAIN
            ::sendto(s, query, static_cast<std::size_t>(n), 0, reinterpret_cast<sockaddr*>(&from),
                     length);
        }
    }).detach();
    return true;
}

// Connects to `host` with `timeout_secs` in a child behind `kind` of name server; the parent
// waits at most `limit_secs` for the report, then kills the child.
Report ConnectBehind(NameServer kind, const std::string& host, int timeout_secs, int limit_secs) {
    // The resolver on its own would wait 30 s for each of its 3 tries.
    const std::string conf = ::testing::TempDir() + "varnimo-resolv-" + std::to_string(::getpid());
    WriteFile(conf, "nameserver 127.0.0.1\noptions timeout:30 attempts:3\n");
    int pipe_ends[2];
    EXPECT_EQ(::pipe(pipe_ends), 0);
    pid_t child = ::fork();
    if (child == 0) {
        ::close(pipe_ends[0]);
        Report report;
        std::string why;
        if (!EnterPrivateNetwork(conf, why) || !StartNameServer(kind)) {
            report.skipped = true;
            std::snprintf(report.text, sizeof report.text, "%s",
                          why.empty() ? "no private name server" : why.c_str());
        } else {
            Transport vio;
            auto start = std::chrono::steady_clock::now();
            report.result = vio.Connect(TransportKind::TcpIp, host, "", 3306, timeout_secs, true);
            report.seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            report.code = vio.LastErrorCode();
            report.open = vio.Kind() != TransportKind::Closed;
            std::snprintf(report.text, sizeof report.text, "%s", vio.LastErrorText().c_str());
        }
        (void)!::write(pipe_ends[1], &report, sizeof report);
        ::_exit(0);
    }
    ::close(pipe_ends[1]);
    Report report;
    pollfd entry{pipe_ends[0], POLLIN, 0};
    if (::poll(&entry, 1, limit_secs * 1000) == 1) {
        EXPECT_EQ(::read(pipe_ends[0], &report, sizeof report),
                  static_cast<ssize_t>(sizeof report));
    } else {
        ADD_FAILURE() << "the connect to " << host << " was still waiting after " << limit_secs
                      << " s";
        ::kill(child, SIGKILL);
    }
    ::close(pipe_ends[0]);
    ::waitpid(child, nullptr, 0);
    std::remove(conf.c_str());
    return report;
}

TEST(NameLookup, FailuresGive2005WithTheResolversReasonWithinTheTimeout) {
    const std::string host = "update.varnimo.example";
    const std::string prefix = "Unknown MySQL Server Host '" + host + "' (";
    struct Case {
        NameServer server;
        std::string text;
    };
    const Case cases[] = {
        {NameServer::NoSuchName,
         prefix + std::to_string(HOST_NOT_FOUND) + "): " + ::gai_strerror(EAI_NONAME)},
        {NameServer::Silent, prefix + std::to_string(ETIMEDOUT) + "): the name lookup timed out"},
    };
    for (const Case& c : cases) {
        // 2 s against the resolver's own 90 s and more: the limit is the connection's.
        Report report = ConnectBehind(c.server, host, 2, 60);
        if (report.skipped) {
            GTEST_SKIP() << "no private network namespace here (" << report.text
                         << "): lookups against a dead name server are not tried";
        }
        EXPECT_EQ(report.result, ConnectStatus::UnknownHost);
        EXPECT_EQ(report.code, kErrUnknownHost);
        EXPECT_EQ(std::string(report.text), c.text);
        EXPECT_FALSE(report.open);
        EXPECT_LT(report.seconds, 30.0) << c.text;
    }
}

}  // namespace
}  // namespace varnimo::mysql
