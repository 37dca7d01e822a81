// The client when memory runs short where it asks for a block of its own. This program
// replaces the array allocation functions, so that one size of request can be refused on
// demand; every other request is served by malloc as usual.

#include <gtest/gtest.h>

#include <dirent.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <new>
#include <string>

#include "mysql/client.h"
#include "mysql/errors.h"
#include "scripted_server.h"

namespace {
std::atomic<std::size_t> RefusedArraySize{0};
}  // namespace

void* operator new[](std::size_t size) {
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
        return block;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return size == RefusedArraySize ? nullptr : std::malloc(size == 0 ? 1 : size);
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}

namespace varnimo::mysql {
namespace {

using namespace testing;

int OpenFileCount() {
    int count = 0;
    if (DIR* folder = ::opendir("/proc/self/fd")) {
        while (::readdir(folder)) {
            ++count;
        }
        ::closedir(folder);
    }
    return count;
}

// No room for the block a local file is read in: the file is closed again, the server's wait
// ends with the empty packet, and the query fails with 2008 instead of an exception.
TEST(MemoryFaults, LocalFileWithoutRoomForItsBlock) {
    const std::string path = ::testing::TempDir() + "varnimo_memory_fault.txt";
    std::ofstream(path, std::ios::binary) << "line\n";
    ScriptedServer server;
    server.SendPacket(0, Greeting())
        .ReceivePacket()
        .SendPacket(2, OkPacket())
        .ReceivePacket()
        .SendPacket(1, Concat({{0xFB}, Text(path)}))
        .ReceivePacket()
        .SendPacket(3, OkPacket());
    server.Start();
    Client client;
    client.SetServerHost("127.0.0.1");
    client.SetPort(server.Port());
    client.SetUseCompression(false);
    client.SetAutoReconnect(false);
    client.SetAllowLocalFiles(true);
    ASSERT_TRUE(client.OpenConnection()) << client.LastErrorText();
    const int files_before = OpenFileCount();
    RefusedArraySize = 61440;
    QueryStatus status = client.RunQuery("LOAD DATA LOCAL INFILE 'x' INTO TABLE t", false).status;
    RefusedArraySize = 0;
    EXPECT_EQ(status, QueryStatus::Failed);
    EXPECT_EQ(client.LastErrorCode(), kErrOutOfMemory);
    EXPECT_EQ(client.LastErrorText(), "MySQL client run out of memory");
#ifndef _WIN32
    // Under Wine the process's descriptors include Wine's own, which come and go.
    EXPECT_EQ(OpenFileCount(), files_before);
#else
    (void)files_before;
#endif
    EXPECT_TRUE(client.IsConnectionOpen());
    client.CloseConnection();
    server.Finish();
    ASSERT_EQ(server.Failure(), "");
    EXPECT_EQ(server.Received()[2], FromHex("00 00 00 02"));
    std::remove(path.c_str());
}

}  // namespace
}  // namespace varnimo::mysql
