// Load: connect, query and close in a bounded loop against a MariaDB on loopback, in one
// process, and watch open descriptors and resident memory. Neither may grow with the number
// of cycles: every cycle releases its socket, buffers, fields and rows.
//
//   varnimo-load-mysql HOST PORT USER PASSWORD DATABASE [CYCLES=10000]
//
// Prints the figures after a warm-up of 100 cycles, every 2000 cycles and at the end, and
// ends non-zero when a cycle fails or the descriptors grew.

#include <dirent.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "mysql/client.h"

namespace {

int OpenDescriptors() {
    int count = 0;
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        while (dirent* entry = ::readdir(dir)) {
            count += entry->d_name[0] != '.';
        }
        ::closedir(dir);
        --count;  // the listing's own descriptor
    }
    return count;
}

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            long kib = 0;
            status >> kib;
            return kib;
        }
        status.ignore(1 << 16, '\n');
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 6) {
        std::fprintf(stderr, "usage: %s HOST PORT USER PASSWORD DATABASE [CYCLES]\n", argv[0]);
        return 2;
    }
    const int port = std::atoi(argv[2]);
    const long cycles = argc > 6 ? std::atol(argv[6]) : 10000;
    using namespace varnimo::mysql;

    auto cycle = [&](long i) {
        Client client;
        client.SetConnectTimeout(10);
        // Alternate the plain and the compressed format and both kinds of result.
        client.SetUseCompression((i % 2) == 1);
        if (!client.ConnectTo(argv[1], argv[3], argv[4], argv[5], port, "", false,
                              client.ClientFlags())) {
            std::fprintf(stderr, "cycle %ld: connect: %d %s\n", i, client.LastErrorCode(),
                         client.LastErrorText().c_str());
            return false;
        }
        auto result = client.RunQuery("SELECT * FROM varnimo", (i / 2) % 2 == 0).result;
        if (!result || result->ColumnText(0) == nullptr) {
            std::fprintf(stderr, "cycle %ld: query: %d %s\n", i, client.LastErrorCode(),
                         client.LastErrorText().c_str());
            return false;
        }
        result.reset();
        client.CloseConnection();
        return true;
    };

    const auto start = std::chrono::steady_clock::now();
    for (long i = 0; i < 100; ++i) {
        if (!cycle(i))
            return 1;
    }
    const int fds_start = OpenDescriptors();
    const long rss_start = ResidentKiB();
    std::printf("after %5d warm-up cycles: %d open descriptors, %ld KiB resident\n", 100, fds_start,
                rss_start);
    for (long i = 0; i < cycles; ++i) {
        if (!cycle(i))
            return 1;
        if ((i + 1) % 2000 == 0) {
            std::printf("after %5ld cycles:        %d open descriptors, %ld KiB resident\n", i + 1,
                        OpenDescriptors(), ResidentKiB());
            std::fflush(stdout);
        }
    }
    const int fds_end = OpenDescriptors();
    const long rss_end = ResidentKiB();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("end: %ld cycles in %.1f s; descriptors %d -> %d; resident %ld -> %ld KiB\n",
                cycles, seconds, fds_start, fds_end, rss_start, rss_end);
    return fds_end > fds_start ? 1 : 0;
}
