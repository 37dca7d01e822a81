#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mysql/protocol.h"
#include "mysql/transport.h"

namespace varnimo::mysql {

// How handing bytes to the connection ended (WritePacket, WriteCommand, Flush). No failure
// stores an error code except TooLarge; the caller decides what a failed send means.
enum class SendStatus : uint8_t {
    Sent,        // written, or (WritePacket) taken into the output buffer
    TooLarge,    // a payload of 16777215 bytes or more: 1153 in the error code, nothing written
    NoMemory,    // no room to build a compressed frame: nothing was sent
    Incomplete,  // the transport stopped taking bytes part of the way
    NotOpen,     // no connection
};

// The packet layer: frames packets with their length and sequence number, buffers output,
// reads and checks incoming frames, and speaks the compressed format once it is switched on.
// One buffer serves output and input; a packet handed out stays valid until the next read or
// write.
class PacketChannel {
  public:
    PacketChannel();
    virtual ~PacketChannel();
    PacketChannel(const PacketChannel&) = delete;
    PacketChannel& operator=(const PacketChannel&) = delete;

    // The transport's Connect; then a fresh buffer (OutOfMemory, closed again, when there is
    // none). An open channel changes nothing: AlreadyOpen.
    ConnectStatus Open(TransportKind kind, const std::string& host, const std::string& pipe_name,
                       int port, int timeout_secs, bool allow_tcp);
    void Close();
    bool IsOpen() const { return transport_->Kind() != TransportKind::Closed; }
    TransportKind ConnectionKind() const { return transport_->Kind(); }

    int32_t LastErrorCode() const { return transport_->LastErrorCode(); }
    void SetLastErrorCode(int32_t code) { transport_->SetLastErrorCode(code); }
    std::string LastErrorText() const { return transport_->LastErrorText(); }
    void SetLastErrorText(std::string_view text) { transport_->SetLastErrorText(text); }
    // Stores a client code with its table text.
    void SetClientError(int32_t code);

    void SetCompression(bool on) { compress_ = on; }
    bool Compress() const { return compress_; }
    void ResetSequence();

    // Frames a packet into the output buffer; only a full buffer is sent.
    SendStatus WritePacket(const uint8_t* data, std::size_t size);
    // Frames a command packet and sends it with whatever was pending.
    SendStatus WriteCommand(uint8_t command, const uint8_t* data, std::size_t size);
    // Sends the pending output; Sent when nothing was pending.
    SendStatus Flush();

    // Payload length, or none; the payload starts at ReadPtr() and a zero byte follows it.
    std::optional<std::size_t> ReadPacket();
    // As ReadPacket, with failed reads (the connection is closed: 2013 or 2020) and server
    // error packets (the connection stays) turned into the error state; an empty packet is a
    // failed read.
    std::optional<std::size_t> ReadReply();
    bool ShrinkBuffer();

    const uint8_t* ReadPtr() const { return buffer_.get() + read_pos_; }
    uint32_t ProtocolVersion() const { return protocol_version_; }
    void SetProtocolVersion(uint32_t version) { protocol_version_ = version; }

    uint8_t SeqNo() const { return seq_no_; }
    uint32_t BufferSize() const { return buffer_size_; }
    std::size_t PendingOutput() const { return write_pos_; }
    const uint8_t* OutputData() const { return buffer_.get(); }

    Transport& TransportLayer() { return *transport_; }
    const Transport& TransportLayer() const { return *transport_; }

  private:
    // What the channel is in the middle of; the buffer is not shrunk under a read or a send.
    enum class IoState : uint8_t { Idle, Reading, Sending };

    std::optional<std::size_t> ReadFrame(uint32_t& uncompressed_length);
    bool ReadFully(uint8_t* to, std::size_t count, int& retries);
    SendStatus SendRaw(const uint8_t* data, std::size_t size);
    SendStatus AppendOutput(const uint8_t* data, std::size_t size);
    bool GrowBuffer(std::size_t size);
    bool ResizeBuffer(std::size_t size);

    std::unique_ptr<Transport> transport_;
    bool compress_ = false;
    IoState io_state_ = IoState::Idle;
    std::unique_ptr<uint8_t[]> buffer_;
    uint8_t seq_no_ = 0;
    uint32_t buffer_size_ = 0;
    std::size_t write_pos_ = 0;
    std::size_t read_pos_ = 0;
    std::size_t buf_length_ = kInitialBufferSize;
    std::size_t frame_start_ = 0;
    std::size_t leftover_ = 0;
    uint8_t saved_byte_ = 0;
    uint32_t protocol_version_ = 10;
    // Scratch space reused for compressing frames.
    std::vector<uint8_t> scratch_;
    // Room a frame is inflated into. It is grown without zero-filling: a frame may announce
    // up to 16 MiB, and only the bytes the inflation writes are ever read.
    std::unique_ptr<uint8_t[]> inflated_;
    std::size_t inflated_size_ = 0;
};

}  // namespace varnimo::mysql
