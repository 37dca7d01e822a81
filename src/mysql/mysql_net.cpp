#include "mysql/mysql_net.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "mysql/mysql_errors.h"

namespace varnimo::mysql {

TMysqlNet::TMysqlNet() : Vio_(std::make_unique<TMysqlVio>()) {}

TMysqlNet::~TMysqlNet() = default;

void TMysqlNet::SetClientError(int32_t code) {
    SetLastErrorCode(code);
    SetLastErrorText(ErrorMessage(code));
}

int TMysqlNet::Open(uint8_t kind, const std::string& host, const std::string& pipeName, int port,
                    int timeoutSecs, bool allowTcp) {
    if (IsOpen()) {
        return 0;
    }
    int result = Vio_->Connect(kind, host, pipeName, port, timeoutSecs, allowTcp);
    if (result != 0) {
        return result;
    }
    Buffer_.reset(new (std::nothrow) uint8_t[kInitialBufferSize]);
    if (!Buffer_) {
        // Without its buffer the connection cannot carry a single packet.
        Vio_->Close();
        SetClientError(kErrOutOfMemory);
        BufferSize_ = 0;
        return -1;
    }
    BufferSize_ = kInitialBufferSize;
    WritePos_ = 0;
    ReadPos_ = 0;
    SeqNo_ = 0;
    Compress_ = false;
    BufLength_ = kInitialBufferSize;
    FrameStart_ = 0;
    Leftover_ = 0;
    ProtocolVersion_ = 10;
    IoState_ = 0;
    SavedByte_ = 0;
    return 0;
}

int TMysqlNet::Close() {
    if (!IsOpen()) {
        return 0;
    }
    int result = Vio_->Close();
    Buffer_.reset();
    BufferSize_ = 0;
    WritePos_ = 0;
    ReadPos_ = 0;
    Scratch_.clear();
    Scratch_.shrink_to_fit();
    Inflated_.reset();
    InflatedSize_ = 0;
    return result;
}

void TMysqlNet::ResetSequence() {
    SeqNo_ = 0;
    WritePos_ = 0;
}

int TMysqlNet::WritePacket(const uint8_t* data, std::size_t size) {
    if (size >= kMaxPacketLength) {
        SetLastErrorCode(kErrPacketTooLargeInternal);
        return 1;
    }
    uint8_t header[kPlainHeaderSize];
    WriteUint24(header, static_cast<uint32_t>(size));
    if (Compress_) {
        header[3] = 0;
    } else {
        header[3] = SeqNo_++;
    }
    if (AppendOutput(header, sizeof header) != 0 || AppendOutput(data, size) != 0) {
        return 1;
    }
    return 0;
}

int TMysqlNet::WriteCommand(uint8_t command, const uint8_t* data, std::size_t size) {
    if (size >= kMaxPacketLength) {
        SetLastErrorCode(kErrPacketTooLargeInternal);
        return 1;
    }
    uint8_t header[kPlainHeaderSize + 1];
    WriteUint24(header, static_cast<uint32_t>(size + 1));
    if (Compress_) {
        header[3] = 0;
    } else {
        header[3] = SeqNo_++;
    }
    header[4] = command;
    if (AppendOutput(header, sizeof header) != 0 || AppendOutput(data, size) != 0 || Flush() != 0) {
        return 1;
    }
    return 0;
}

int TMysqlNet::AppendOutput(const uint8_t* data, std::size_t size) {
    if (!Buffer_) {
        return 1;
    }
    while (size > BufferSize_ - WritePos_) {
        std::size_t room = BufferSize_ - WritePos_;
        std::memcpy(Buffer_.get() + WritePos_, data, room);
        data += room;
        size -= room;
        WritePos_ = 0;
        if (SendRaw(Buffer_.get(), BufferSize_) != 0) {
            return 1;
        }
    }
    if (size > 0) {
        std::memcpy(Buffer_.get() + WritePos_, data, size);
        WritePos_ += size;
    }
    return 0;
}

int TMysqlNet::Flush() {
    if (WritePos_ == 0) {
        return 0;
    }
    int result = SendRaw(Buffer_.get(), WritePos_);
    WritePos_ = 0;
    return result;
}

int TMysqlNet::SendRaw(const uint8_t* data, std::size_t size) {
    if (!IsOpen()) {
        return -1;
    }
    bool wasBlocking = (Vio_->ModeFlags() & 1) == 0;
    IoState_ = 2;
    int retries = 0;
    if (Compress_) {
        try {
            if (!BuildCompressedFrame(data, size, SeqNo_, Scratch_)) {
                IoState_ = 0;
                return 1;
            }
        } catch (const std::bad_alloc&) {
            IoState_ = 0;
            return 1;
        }
        ++SeqNo_;
        data = Scratch_.data();
        size = Scratch_.size();
    }
    std::size_t written = 0;
    while (written < size) {
        long n = Vio_->WriteBytes(data + written, size - written);
        if (n > 0) {
            written += static_cast<std::size_t>(n);
            continue;
        }
        if ((Vio_->ModeFlags() & 1) != 0) {
            // A full socket: go on blocking (bounded by the transport's send timeout).
            Vio_->SetBlocking(true);
            if (++retries <= 2) {
                continue;
            }
        } else if (Vio_->CanRetry()) {
            if (++retries <= 2) {
                continue;
            }
        }
        if (Vio_->CallInterrupted()) {
            continue;
        }
        break;
    }
    if (IsOpen()) {
        Vio_->SetBlocking(wasBlocking);
    }
    IoState_ = 0;
    return written == size ? 0 : 2;
}

bool TMysqlNet::ReadFully(uint8_t* to, std::size_t count, int& retries) {
    std::size_t got = 0;
    while (got < count) {
        long n = Vio_->ReadBytes(to + got, count - got);
        if (n > 0) {
            got += static_cast<std::size_t>(n);
            continue;
        }
        if (Vio_->CanRetry() && ++retries <= 2) {
            continue;
        }
        if (Vio_->CallInterrupted()) {
            continue;
        }
        return false;
    }
    return true;
}

long TMysqlNet::ReadFrame(uint32_t& uncompressedLength) {
    if (!IsOpen() || !Buffer_) {
        return -1;
    }
    bool wasBlocking = (Vio_->ModeFlags() & 1) == 0;
    IoState_ = 1;
    uncompressedLength = 0;
    int retries = 0;
    auto fail = [&] {
        if (IsOpen()) {
            Vio_->SetBlocking(wasBlocking);
        }
        IoState_ = 0;
        return -1L;
    };
    std::size_t headerSize = Compress_ ? kCompressedHeaderSize : kPlainHeaderSize;
    // Undelivered bytes may sit right up to the end of the buffer; the header needs room too.
    if (FrameStart_ + headerSize >= BufferSize_ && !GrowBuffer(FrameStart_ + headerSize + 1)) {
        return fail();
    }
    uint8_t* header = Buffer_.get() + FrameStart_;
    if (!ReadFully(header, headerSize, retries)) {
        return fail();
    }
    if (header[3] != SeqNo_) {
        return fail();
    }
    ++SeqNo_;
    uint32_t length = ReadUint24(header);
    if (Compress_) {
        uncompressedLength = ReadUint24(header + 4);
    }
    // The size limit is judged on what the header claims, but memory follows the bytes that
    // really arrive: the payload is read in steps that at most double the buffer, and an
    // inflated frame gets room for no more than deflate can make of its payload. A valid frame
    // ends with the buffer its header asks for; a 7-byte header that lies can no longer make
    // the client reserve 32 MiB.
    std::size_t need = FrameStart_ + std::max(length, uncompressedLength);
    if (need + 1 >= kMaxBufferSize) {
        SetLastErrorCode(kErrPacketTooLargeInternal);
        return fail();
    }
    const std::size_t end = FrameStart_ + length;
    std::size_t at = FrameStart_;
    while (at < end) {
        if (at >= BufferSize_ &&
            !GrowBuffer(std::min(end, 2 * static_cast<std::size_t>(BufferSize_)) + 1)) {
            return fail();
        }
        std::size_t piece = std::min<std::size_t>(end, BufferSize_) - at;
        if (!ReadFully(Buffer_.get() + at, piece, retries)) {
            return fail();
        }
        at += piece;
    }
    std::size_t room =
        FrameStart_ + std::max<std::size_t>(length, InflateRoom(length, uncompressedLength));
    if (room >= BufferSize_ && !GrowBuffer(room + 1)) {
        return fail();
    }
    Vio_->SetBlocking(wasBlocking);
    IoState_ = 0;
    return static_cast<long>(length);
}

bool TMysqlNet::ResizeBuffer(std::size_t size) {
    uint8_t* bigger = new (std::nothrow) uint8_t[size];
    if (!bigger) {
        return false;
    }
    std::memcpy(bigger, Buffer_.get(), std::min<std::size_t>(size, BufferSize_));
    Buffer_.reset(bigger);
    BufferSize_ = static_cast<uint32_t>(size);
    WritePos_ = 0;
    ReadPos_ = 0;
    return true;
}

bool TMysqlNet::GrowBuffer(std::size_t size) {
    if (size >= kMaxBufferSize) {
        SetLastErrorCode(kErrPacketTooLargeInternal);
        return false;
    }
    size = (size + kBufferStep - 1) / kBufferStep * kBufferStep;
    return ResizeBuffer(size);
}

long TMysqlNet::ReadPacket() {
    uint32_t uncompressed = 0;
    if (!Compress_) {
        FrameStart_ = 0;
        long length = ReadFrame(uncompressed);
        ReadPos_ = 0;
        if (length != -1) {
            Buffer_[static_cast<std::size_t>(length)] = 0;
        }
        return length;
    }
    if (!Buffer_) {
        return -1;
    }
    if (Leftover_ != 0) {
        Buffer_[BufLength_ - Leftover_] = SavedByte_;
    }
    long result = -1;
    for (;;) {
        if (Leftover_ != 0) {
            std::size_t p = BufLength_ - Leftover_;
            if (Leftover_ >= kPlainHeaderSize) {
                uint32_t length = ReadUint24(Buffer_.get() + p);
                if (length <= Leftover_ - kPlainHeaderSize) {
                    Leftover_ -= length + kPlainHeaderSize;
                    ReadPos_ = p + kPlainHeaderSize;
                    result = static_cast<long>(length);
                    break;
                }
            }
            if (p != 0) {
                std::memmove(Buffer_.get(), Buffer_.get() + p, Leftover_);
            }
            BufLength_ = Leftover_;
            FrameStart_ = BufLength_;
        } else {
            FrameStart_ = 0;
            BufLength_ = 0;
        }
        long length = ReadFrame(uncompressed);
        if (length == -1) {
            break;
        }
        std::size_t inflated = static_cast<std::size_t>(length);
        if (uncompressed != 0) {
            // Inflate aside, then put the packets where the frame was.
            std::size_t room = InflateRoom(inflated, uncompressed);
            if (InflatedSize_ < room) {
                Inflated_.reset(new (std::nothrow) uint8_t[room]);
                InflatedSize_ = Inflated_ ? room : 0;
                if (!Inflated_) {
                    break;
                }
            }
            if (!InflateInto(Buffer_.get() + FrameStart_, inflated, Inflated_.get(), room,
                             inflated)) {
                break;
            }
            std::memcpy(Buffer_.get() + FrameStart_, Inflated_.get(), inflated);
        }
        BufLength_ += inflated;
        Leftover_ += inflated;
    }
    if (result != -1) {
        std::size_t behind = ReadPos_ + static_cast<std::size_t>(result);
        SavedByte_ = Buffer_[behind];
        Buffer_[behind] = 0;
    }
    return result;
}

long TMysqlNet::ReadReply() {
    long length = ReadPacket();
    if (length == -1 || length == 0) {
        Close();
        int32_t code =
            LastErrorCode() == kErrPacketTooLargeInternal ? kErrNetPacketTooLarge : kErrServerLost;
        SetClientError(code);
        return -1;
    }
    const uint8_t* packet = ReadPtr();
    if (packet[0] != 0xFF) {
        return length;
    }
    TServerError error =
        DecodeErrorPacket(packet, static_cast<std::size_t>(length), ProtocolVersion_);
    SetLastErrorCode(error.Code);
    SetLastErrorText(error.Text);
    return -1;
}

bool TMysqlNet::ShrinkBuffer() {
    // Scratch space grown for one big compressed packet is not kept for the rest of the
    // connection either.
    if (IoState_ == 0 && Scratch_.capacity() > 4 * kInitialBufferSize) {
        std::vector<uint8_t>().swap(Scratch_);
    }
    if (IoState_ == 0 && InflatedSize_ > 4 * kInitialBufferSize) {
        Inflated_.reset();
        InflatedSize_ = 0;
    }
    if (IoState_ != 0 || BufLength_ <= kInitialBufferSize || !Buffer_ || Leftover_ != 0) {
        return true;
    }
    return ResizeBuffer(kInitialBufferSize);
}

}  // namespace varnimo::mysql
