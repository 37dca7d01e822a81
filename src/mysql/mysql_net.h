#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "mysql/mysql_protocol.h"
#include "mysql/mysql_vio.h"

namespace varnimo::mysql {

// The packet layer: frames packets with their length and sequence number, buffers output,
// reads and checks incoming frames, and speaks the compressed format once it is switched on.
// One buffer serves output and input; a packet handed out stays valid until the next read or
// write.
class TMysqlNet {
  public:
    TMysqlNet();
    virtual ~TMysqlNet();
    TMysqlNet(const TMysqlNet&) = delete;
    TMysqlNet& operator=(const TMysqlNet&) = delete;

    int Open(uint8_t kind, const std::string& host, const std::string& pipeName, int port,
             int timeoutSecs, bool allowTcp);
    int Close();
    bool IsOpen() const { return Vio_->Kind() != vkClosed; }
    TVioKind ConnectionKind() const { return Vio_->Kind(); }

    int32_t LastErrorCode() const { return Vio_->LastErrorCode; }
    void SetLastErrorCode(int32_t code) { Vio_->LastErrorCode = code; }
    std::string LastErrorText() const { return Vio_->LastErrorText(); }
    void SetLastErrorText(std::string_view text) { Vio_->SetLastErrorText(text); }
    // Stores a client code with its table text.
    void SetClientError(int32_t code);

    void SetCompression(bool on) { Compress_ = on; }
    bool Compress() const { return Compress_; }
    void ResetSequence();

    // 0, or 1 on failure (1153 in the error code for a payload of 16777215 bytes or more).
    int WritePacket(const uint8_t* data, std::size_t size);
    int WriteCommand(uint8_t command, const uint8_t* data, std::size_t size);
    // 0 when sent or nothing was pending; 1, 2 or -1 on failure.
    int Flush();

    // Payload length, or -1; the payload starts at ReadPtr() and a zero byte follows it.
    long ReadPacket();
    // As ReadPacket, with failed reads and server error packets turned into the error state.
    long ReadReply();
    bool ShrinkBuffer();

    const uint8_t* ReadPtr() const { return Buffer_.get() + ReadPos_; }
    uint32_t ProtocolVersion() const { return ProtocolVersion_; }
    void SetProtocolVersion(uint32_t version) { ProtocolVersion_ = version; }

    uint8_t SeqNo() const { return SeqNo_; }
    uint32_t BufferSize() const { return BufferSize_; }
    uint8_t IoState() const { return IoState_; }
    std::size_t PendingOutput() const { return WritePos_; }
    const uint8_t* OutputData() const { return Buffer_.get(); }

    TMysqlVio& Vio() { return *Vio_; }
    const TMysqlVio& Vio() const { return *Vio_; }

  private:
    long ReadFrame(uint32_t& uncompressedLength);
    bool ReadFully(uint8_t* to, std::size_t count, int& retries);
    int SendRaw(const uint8_t* data, std::size_t size);
    int AppendOutput(const uint8_t* data, std::size_t size);
    bool GrowBuffer(std::size_t size);
    bool ResizeBuffer(std::size_t size);

    std::unique_ptr<TMysqlVio> Vio_;
    bool Compress_ = false;
    uint8_t IoState_ = 0;
    std::unique_ptr<uint8_t[]> Buffer_;
    uint8_t SeqNo_ = 0;
    uint32_t BufferSize_ = 0;
    std::size_t WritePos_ = 0;
    std::size_t ReadPos_ = 0;
    std::size_t BufLength_ = kInitialBufferSize;
    std::size_t FrameStart_ = 0;
    std::size_t Leftover_ = 0;
    uint8_t SavedByte_ = 0;
    uint32_t ProtocolVersion_ = 10;
    // Scratch space reused for compressing frames.
    std::vector<uint8_t> Scratch_;
    // Room a frame is inflated into. It is grown without zero-filling: a frame may announce
    // up to 16 MiB, and only the bytes the inflation writes are ever read.
    std::unique_ptr<uint8_t[]> Inflated_;
    std::size_t InflatedSize_ = 0;
};

}  // namespace varnimo::mysql
