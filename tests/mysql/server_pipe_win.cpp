#include "server_pipe_win.h"

namespace varnimo::mysql::testing {

TServerPipe::TServerPipe()
    : Event_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      ConnectEvent_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

TServerPipe::~TServerPipe() {
    Close();
    ::CloseHandle(Event_);
    ::CloseHandle(ConnectEvent_);
}

bool TServerPipe::Listen() {
    // Any number of instances, and the new one made before the old one goes: a client
    // waiting for the pipe never finds it missing.
    HANDLE fresh =
        ::CreateNamedPipeA("\\\\.\\pipe\\MySQL", PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                           PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT,
                           PIPE_UNLIMITED_INSTANCES, 65536, 65536, 0, nullptr);
    Close();
    Pipe_ = fresh;
    if (Pipe_ == INVALID_HANDLE_VALUE) {
        return false;
    }
    // Listening starts at once, before any client can open the instance.
    Connecting_ = OVERLAPPED{};
    Connecting_.hEvent = ConnectEvent_;
    ::ResetEvent(ConnectEvent_);
    Connected_ =
        ::ConnectNamedPipe(Pipe_, &Connecting_) || ::GetLastError() == ERROR_PIPE_CONNECTED;
    return Connected_ || ::GetLastError() == ERROR_IO_PENDING;
}

bool TServerPipe::Accept(int millis) {
    if (Pipe_ == INVALID_HANDLE_VALUE && !Listen()) {
        return false;
    }
    if (Connected_) {
        return true;
    }
    DWORD ignored = 0;
    if (::WaitForSingleObject(ConnectEvent_, static_cast<DWORD>(millis)) != WAIT_OBJECT_0) {
        return false;
    }
    Connected_ = ::GetOverlappedResult(Pipe_, &Connecting_, &ignored, FALSE) != FALSE;
    return Connected_;
}

template <typename Start>
long TServerPipe::Complete(Start start, int millis) {
    OVERLAPPED operation{};
    operation.hEvent = Event_;
    ::ResetEvent(Event_);
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
    if (::WaitForSingleObject(Event_, static_cast<DWORD>(millis)) != WAIT_OBJECT_0) {
        ::CancelIo(Pipe_);
        // What arrived before the cancel took hold is not lost.
        if (::GetOverlappedResult(Pipe_, &operation, &done, TRUE) && done > 0) {
            return static_cast<long>(done);
        }
        return -2;
    }
    if (!::GetOverlappedResult(Pipe_, &operation, &done, FALSE)) {
        return ::GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
    }
    return static_cast<long>(done);
}

long TServerPipe::Read(uint8_t* to, std::size_t count, int millis) {
    return Complete(
        [&](OVERLAPPED* operation, DWORD* done) {
            return ::ReadFile(Pipe_, to, static_cast<DWORD>(count), done, operation);
        },
        millis);
}

long TServerPipe::Write(const uint8_t* from, std::size_t count) {
    long n = Complete(
        [&](OVERLAPPED* operation, DWORD* done) {
            return ::WriteFile(Pipe_, from, static_cast<DWORD>(count), done, operation);
        },
        10000);
    return n == 0 ? -1 : n;
}

void TServerPipe::Close() {
    if (Pipe_ != INVALID_HANDLE_VALUE) {
        ::CloseHandle(Pipe_);  // ends a pending listen as well
        Pipe_ = INVALID_HANDLE_VALUE;
    }
    Connected_ = false;
}

}  // namespace varnimo::mysql::testing
