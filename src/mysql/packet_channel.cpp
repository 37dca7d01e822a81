#include "mysql/packet_channel.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "mysql/errors.h"

namespace varnimo::mysql {

PacketChannel::PacketChannel() : transport_(std::make_unique<Transport>()) {}

PacketChannel::~PacketChannel() = default;

void PacketChannel::SetClientError(int32_t code) {
    SetLastErrorCode(code);
    SetLastErrorText(ErrorMessage(code));
}

ConnectStatus PacketChannel::Open(TransportKind kind, const std::string& host,
                                  const std::string& pipe_name, int port, int timeout_secs,
                                  bool allow_tcp) {
    if (IsOpen()) {
        return ConnectStatus::AlreadyOpen;
    }
    ConnectStatus status =
        transport_->Connect(kind, host, pipe_name, port, timeout_secs, allow_tcp);
    if (status != ConnectStatus::Connected && status != ConnectStatus::NothingOpened) {
        return status;
    }
    buffer_.reset(new (std::nothrow) uint8_t[kInitialBufferSize]);
    if (!buffer_) {
        // Without its buffer the connection cannot carry a single packet.
        transport_->Close();
        SetClientError(kErrOutOfMemory);
        buffer_size_ = 0;
        return ConnectStatus::OutOfMemory;
    }
    buffer_size_ = kInitialBufferSize;
    write_pos_ = 0;
    read_pos_ = 0;
    seq_no_ = 0;
    compress_ = false;
    buf_length_ = kInitialBufferSize;
    frame_start_ = 0;
    leftover_ = 0;
    protocol_version_ = 10;
    io_state_ = IoState::Idle;
    saved_byte_ = 0;
    return status;
}

void PacketChannel::Close() {
    if (!IsOpen()) {
        return;
    }
    transport_->Close();
    buffer_.reset();
    buffer_size_ = 0;
    write_pos_ = 0;
    read_pos_ = 0;
    scratch_.clear();
    scratch_.shrink_to_fit();
    inflated_.reset();
    inflated_size_ = 0;
}

void PacketChannel::ResetSequence() {
    seq_no_ = 0;
    write_pos_ = 0;
}

SendStatus PacketChannel::WritePacket(const uint8_t* data, std::size_t size) {
    if (size >= kMaxPacketLength) {
        SetLastErrorCode(kErrPacketTooLargeInternal);
        return SendStatus::TooLarge;
    }
    uint8_t header[kPlainHeaderSize];
    WriteUint24(header, static_cast<uint32_t>(size));
    if (compress_) {
        header[3] = 0;
    } else {
        header[3] = seq_no_++;
    }
    SendStatus status = AppendOutput(header, sizeof header);
    return status == SendStatus::Sent ? AppendOutput(data, size) : status;
}

SendStatus PacketChannel::WriteCommand(uint8_t command, const uint8_t* data, std::size_t size) {
    if (size >= kMaxPacketLength) {
        SetLastErrorCode(kErrPacketTooLargeInternal);
        return SendStatus::TooLarge;
    }
    uint8_t header[kPlainHeaderSize + 1];
    WriteUint24(header, static_cast<uint32_t>(size + 1));
    if (compress_) {
        header[3] = 0;
    } else {
        header[3] = seq_no_++;
    }
    header[4] = command;
    SendStatus status = AppendOutput(header, sizeof header);
    if (status == SendStatus::Sent) {
        status = AppendOutput(data, size);
    }
    return status == SendStatus::Sent ? Flush() : status;
}

SendStatus PacketChannel::AppendOutput(const uint8_t* data, std::size_t size) {
    if (!buffer_) {
        return SendStatus::NotOpen;
    }
    while (size > buffer_size_ - write_pos_) {
        std::size_t room = buffer_size_ - write_pos_;
        std::memcpy(buffer_.get() + write_pos_, data, room);
        data += room;
        size -= room;
        write_pos_ = 0;
        SendStatus status = SendRaw(buffer_.get(), buffer_size_);
        if (status != SendStatus::Sent) {
            return status;
        }
    }
    if (size > 0) {
        std::memcpy(buffer_.get() + write_pos_, data, size);
        write_pos_ += size;
    }
    return SendStatus::Sent;
}

SendStatus PacketChannel::Flush() {
    if (write_pos_ == 0) {
        return SendStatus::Sent;
    }
    SendStatus status = SendRaw(buffer_.get(), write_pos_);
    write_pos_ = 0;
    return status;
}

SendStatus PacketChannel::SendRaw(const uint8_t* data, std::size_t size) {
    if (!IsOpen()) {
        return SendStatus::NotOpen;
    }
    bool was_blocking = !transport_->IsNonBlocking();
    io_state_ = IoState::Sending;
    int retries = 0;
    if (compress_) {
        try {
            if (!BuildCompressedFrame(data, size, seq_no_, scratch_)) {
                io_state_ = IoState::Idle;
                return SendStatus::NoMemory;
            }
        } catch (const std::bad_alloc&) {
            io_state_ = IoState::Idle;
            return SendStatus::NoMemory;
        }
        ++seq_no_;
        data = scratch_.data();
        size = scratch_.size();
    }
    std::size_t written = 0;
    while (written < size) {
        std::optional<std::size_t> n = transport_->WriteBytes(data + written, size - written);
        if (n && *n > 0) {
            written += *n;
            continue;
        }
        if (transport_->IsNonBlocking()) {
            // A full socket: go on blocking (bounded by the transport's send timeout).
            transport_->SetBlocking(true);
            if (++retries <= 2) {
                continue;
            }
        } else if (transport_->CanRetry()) {
            if (++retries <= 2) {
                continue;
            }
        }
        if (transport_->CallInterrupted()) {
            continue;
        }
        break;
    }
    if (IsOpen()) {
        transport_->SetBlocking(was_blocking);
    }
    io_state_ = IoState::Idle;
    return written == size ? SendStatus::Sent : SendStatus::Incomplete;
}

bool PacketChannel::ReadFully(uint8_t* to, std::size_t count, int& retries) {
    std::size_t got = 0;
    while (got < count) {
        std::optional<std::size_t> n = transport_->ReadBytes(to + got, count - got);
        if (n && *n > 0) {
            got += *n;
            continue;
        }
        if (transport_->CanRetry() && ++retries <= 2) {
            continue;
        }
        if (transport_->CallInterrupted()) {
            continue;
        }
        return false;
    }
    return true;
}

std::optional<std::size_t> PacketChannel::ReadFrame(uint32_t& uncompressed_length) {
    if (!IsOpen() || !buffer_) {
        return std::nullopt;
    }
    bool was_blocking = !transport_->IsNonBlocking();
    io_state_ = IoState::Reading;
    uncompressed_length = 0;
    int retries = 0;
    auto fail = [&]() -> std::optional<std::size_t> {
        if (IsOpen()) {
            transport_->SetBlocking(was_blocking);
        }
        io_state_ = IoState::Idle;
        return std::nullopt;
    };
    std::size_t header_size = compress_ ? kCompressedHeaderSize : kPlainHeaderSize;
    // Undelivered bytes may sit right up to the end of the buffer; the header needs room too.
    if (frame_start_ + header_size >= buffer_size_ && !GrowBuffer(frame_start_ + header_size + 1)) {
        return fail();
    }
    uint8_t* header = buffer_.get() + frame_start_;
    if (!ReadFully(header, header_size, retries)) {
        return fail();
    }
    if (header[3] != seq_no_) {
        return fail();
    }
    ++seq_no_;
    uint32_t length = ReadUint24(header);
    if (compress_) {
        uncompressed_length = ReadUint24(header + 4);
    }
    // The size limit is judged on what the header claims, but memory follows the bytes that
    // really arrive: the payload is read in steps that at most double the buffer, and an
    // inflated frame gets room for no more than deflate can make of its payload. A valid frame
    // ends with the buffer its header asks for; a 7-byte header that lies can no longer make
    // the client reserve 32 MiB.
    std::size_t need = frame_start_ + std::max(length, uncompressed_length);
    if (need + 1 >= kMaxBufferSize) {
        SetLastErrorCode(kErrPacketTooLargeInternal);
        return fail();
    }
    const std::size_t end = frame_start_ + length;
    std::size_t at = frame_start_;
    while (at < end) {
        if (at >= buffer_size_ &&
            !GrowBuffer(std::min(end, 2 * static_cast<std::size_t>(buffer_size_)) + 1)) {
            return fail();
        }
        std::size_t piece = std::min<std::size_t>(end, buffer_size_) - at;
        if (!ReadFully(buffer_.get() + at, piece, retries)) {
            return fail();
        }
        at += piece;
    }
    std::size_t room =
        frame_start_ + std::max<std::size_t>(length, InflateRoom(length, uncompressed_length));
    if (room >= buffer_size_ && !GrowBuffer(room + 1)) {
        return fail();
    }
    transport_->SetBlocking(was_blocking);
    io_state_ = IoState::Idle;
    return length;
}

bool PacketChannel::ResizeBuffer(std::size_t size) {
    uint8_t* bigger = new (std::nothrow) uint8_t[size];
    if (!bigger) {
        return false;
    }
    std::memcpy(bigger, buffer_.get(), std::min<std::size_t>(size, buffer_size_));
    buffer_.reset(bigger);
    buffer_size_ = static_cast<uint32_t>(size);
    write_pos_ = 0;
    read_pos_ = 0;
    return true;
}

bool PacketChannel::GrowBuffer(std::size_t size) {
    if (size >= kMaxBufferSize) {
        SetLastErrorCode(kErrPacketTooLargeInternal);
        return false;
    }
    size = (size + kBufferStep - 1) / kBufferStep * kBufferStep;
    return ResizeBuffer(size);
}

std::optional<std::size_t> PacketChannel::ReadPacket() {
    uint32_t uncompressed = 0;
    if (!compress_) {
        frame_start_ = 0;
        std::optional<std::size_t> length = ReadFrame(uncompressed);
        read_pos_ = 0;
        if (length) {
            buffer_[*length] = 0;
        }
        return length;
    }
    if (!buffer_) {
        return std::nullopt;
    }
    if (leftover_ != 0) {
        buffer_[buf_length_ - leftover_] = saved_byte_;
    }
    std::optional<std::size_t> result;
    for (;;) {
        if (leftover_ != 0) {
            std::size_t p = buf_length_ - leftover_;
            if (leftover_ >= kPlainHeaderSize) {
                uint32_t length = ReadUint24(buffer_.get() + p);
                if (length <= leftover_ - kPlainHeaderSize) {
                    leftover_ -= length + kPlainHeaderSize;
                    read_pos_ = p + kPlainHeaderSize;
                    result = length;
                    break;
                }
            }
            if (p != 0) {
                std::memmove(buffer_.get(), buffer_.get() + p, leftover_);
            }
            buf_length_ = leftover_;
            frame_start_ = buf_length_;
        } else {
            frame_start_ = 0;
            buf_length_ = 0;
        }
        std::optional<std::size_t> length = ReadFrame(uncompressed);
        if (!length) {
            break;
        }
        std::size_t inflated = *length;
        if (uncompressed != 0) {
            // Inflate aside, then put the packets where the frame was.
            std::size_t room = InflateRoom(inflated, uncompressed);
            if (inflated_size_ < room) {
                inflated_.reset(new (std::nothrow) uint8_t[room]);
                inflated_size_ = inflated_ ? room : 0;
                if (!inflated_) {
                    break;
                }
            }
            if (!InflateInto(buffer_.get() + frame_start_, inflated, inflated_.get(), room,
                             inflated)) {
                break;
            }
            std::memcpy(buffer_.get() + frame_start_, inflated_.get(), inflated);
        }
        buf_length_ += inflated;
        leftover_ += inflated;
    }
    if (result) {
        std::size_t behind = read_pos_ + *result;
        saved_byte_ = buffer_[behind];
        buffer_[behind] = 0;
    }
    return result;
}

std::optional<std::size_t> PacketChannel::ReadReply() {
    std::optional<std::size_t> length = ReadPacket();
    if (!length || *length == 0) {
        Close();
        int32_t code =
            LastErrorCode() == kErrPacketTooLargeInternal ? kErrNetPacketTooLarge : kErrServerLost;
        SetClientError(code);
        return std::nullopt;
    }
    const uint8_t* packet = ReadPtr();
    if (packet[0] != kErrorPacketByte) {
        return length;
    }
    ServerError error = DecodeErrorPacket(packet, *length, protocol_version_);
    SetLastErrorCode(error.code);
    SetLastErrorText(error.text);
    return std::nullopt;
}

bool PacketChannel::ShrinkBuffer() {
    // Scratch space grown for one big compressed packet is not kept for the rest of the
    // connection either.
    if (io_state_ == IoState::Idle && scratch_.capacity() > 4 * kInitialBufferSize) {
        std::vector<uint8_t>().swap(scratch_);
    }
    if (io_state_ == IoState::Idle && inflated_size_ > 4 * kInitialBufferSize) {
        inflated_.reset();
        inflated_size_ = 0;
    }
    if (io_state_ != IoState::Idle || buf_length_ <= kInitialBufferSize || !buffer_ ||
        leftover_ != 0) {
        return true;
    }
    return ResizeBuffer(kInitialBufferSize);
}

}  // namespace varnimo::mysql
