#include "server_pipe_win.h"

namespace varnimo::mysql::testing {

ServerPipe::ServerPipe()
    : event_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      connect_event_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

ServerPipe::~ServerPipe() {
    Close();
    ::CloseHandle(event_);
    ::CloseHandle(connect_event_);
}

bool ServerPipe::Listen() {
    // Any number of instances, and the new one made before the old one goes: a client
    // waiting for the pipe never finds it missing.
    HANDLE fresh =
        ::CreateNamedPipeA("\\\\.\\pipe\\MySQL", PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                           PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT,
                           PIPE_UNLIMITED_INSTANCES, 65536, 65536, 0, nullptr);
    Close();
    pipe_ = fresh;
    if (pipe_ == INVALID_HANDLE_VALUE) {
        return false;
    }
    // Listening starts at once, before any client can open the instance.
    connecting_ = OVERLAPPED{};
    connecting_.hEvent = connect_event_;
    ::ResetEvent(connect_event_);
    connected_ =
        ::ConnectNamedPipe(pipe_, &connecting_) || ::GetLastError() == ERROR_PIPE_CONNECTED;
    return connected_ || ::GetLastError() == ERROR_IO_PENDING;
}

bool ServerPipe::Accept(int millis) {
    if (pipe_ == INVALID_HANDLE_VALUE && !Listen()) {
        return false;
    }
    if (connected_) {
        return true;
    }
    DWORD ignored = 0;
    if (::WaitForSingleObject(connect_event_, static_cast<DWORD>(millis)) != WAIT_OBJECT_0) {
        return false;
    }
    connected_ = ::GetOverlappedResult(pipe_, &connecting_, &ignored, FALSE) != FALSE;
    return connected_;
}

template <typename Start>
long ServerPipe::Complete(Start start, int millis) {
    OVERLAPPED operation{};
    operation.hEvent = event_;
    ::ResetEvent(event_);
    DWORD done = 0;
    if (start(&operation, &done)) {
        return static_cast<long>(done);
    }
    DWORD error = ::GetLastError();
    if (error == ERROR_BROKEN_PIPE) {
        return 0;
    }
    if (error != ERROR_IO_PENDING) {
        return -1;
    }
    if (::WaitForSingleObject(event_, static_cast<DWORD>(millis)) != WAIT_OBJECT_0) {
        ::CancelIo(pipe_);
        // What arrived before the cancel took hold is not lost.
        if (::GetOverlappedResult(pipe_, &operation, &done, TRUE) && done > 0) {
            return static_cast<long>(done);
        }
        return -2;
    }
    if (!::GetOverlappedResult(pipe_, &operation, &done, FALSE)) {
        return ::GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
    }
    return static_cast<long>(done);
}

long ServerPipe::Read(uint8_t* to, std::size_t count, int millis) {
    return Complete(
        [&](OVERLAPPED* operation, DWORD* done) {
            return ::ReadFile(pipe_, to, static_cast<DWORD>(count), done, operation);
        },
        millis);
}

long ServerPipe::Write(const uint8_t* from, std::size_t count) {
    long n = Complete(
        [&](OVERLAPPED* operation, DWORD* done) {
            return ::WriteFile(pipe_, from, static_cast<DWORD>(count), done, operation);
        },
        10000);
    return n == 0 ? -1 : n;
}

void ServerPipe::Close() {
    if (pipe_ != INVALID_HANDLE_VALUE) {
        ::CloseHandle(pipe_);  // ends a pending listen as well
        pipe_ = INVALID_HANDLE_VALUE;
    }
    connected_ = false;
}

}  // namespace varnimo::mysql::testing
