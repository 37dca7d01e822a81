#pragma once
// The server end of the local pipe named MySQL, for the scripted server: one instance at a
// time, every wait bounded.

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace varnimo::mysql::testing {

class ServerPipe {
  public:
    ServerPipe();
    ~ServerPipe();
    ServerPipe(const ServerPipe&) = delete;
    ServerPipe& operator=(const ServerPipe&) = delete;

    // A new instance that clients can open; false when it cannot be made.
    bool Listen();
    // Waits for a client to open the instance (a new one when the last was closed).
    bool Accept(int millis);
    // Bytes read, 0 when the client closed its end, -1 on failure, -2 when nothing came
    // within `millis`.
    long Read(uint8_t* to, std::size_t count, int millis);
    long Write(const uint8_t* from, std::size_t count);
    // Gone without a word, as a server that ends: the client reads what was sent, then
    // finds the pipe broken.
    void Close();

  private:
    // Runs an overlapped operation started by `start` to its end or until `millis` passed.
    template <typename Start>
    long Complete(Start start, int millis);

    HANDLE pipe_ = INVALID_HANDLE_VALUE;
    HANDLE event_ = nullptr;
    HANDLE connect_event_ = nullptr;
    OVERLAPPED connecting_{};
    bool connected_ = false;
};

}  // namespace varnimo::mysql::testing
