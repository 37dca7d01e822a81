// The packet layer's frame reader on any bytes, in the compressed format (and, for one input
// bit, the plain one), through the in-memory transport. Every packet handed out is checked
// against a plain decoder of the same bytes: the frames inflated one after the other give one
// stream, and the packets are that stream cut at their length fields. The reader must hand out
// exactly those packets, in order, each followed by a zero byte, and stop where the model
// stops.

#include <zlib.h>

#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "fake_transport.h"
#include "fuzz_support.h"
#include "mysql/packet_channel.h"
#include "mysql/protocol.h"

using namespace varnimo;
using namespace varnimo::mysql;
using fuzz::Check;

namespace {

using Bytes = std::vector<uint8_t>;

// The packets a correct reader hands out, and whether it then has to fail.
struct Model {
    std::vector<Bytes> packets;
};

Model Decode(const uint8_t* data, std::size_t size, bool compressed, std::size_t limit) {
    Model model;
    std::size_t pos = 0;
    uint8_t seq = 0;
    Bytes stream;  // inflated bytes not yet handed out
    std::size_t start = 0;
    auto take = [&](std::size_t n) -> std::optional<Bytes> {
        if (size - pos < n) {
            return std::nullopt;
        }
        Bytes out(data + pos, data + pos + n);
        pos += n;
        return out;
    };
    while (model.packets.size() < limit) {
        if (!compressed) {
            auto header = take(4);
            if (!header || (*header)[3] != seq++) {
                break;
            }
            uint32_t length = ReadUint24(header->data());
            if (length + 1 >= kMaxBufferSize) {
                break;
            }
            auto payload = take(length);
            if (!payload) {
                break;
            }
            model.packets.push_back(*payload);
            continue;
        }
        // A whole packet already inflated?
        std::size_t left = stream.size() - start;
        if (left >= 4) {
            uint32_t length = ReadUint24(stream.data() + start);
            if (length <= left - 4) {
                model.packets.emplace_back(stream.begin() + static_cast<long>(start + 4),
                                           stream.begin() + static_cast<long>(start + 4 + length));
                start += 4 + length;
                continue;
            }
        }
        auto header = take(7);
        if (!header || (*header)[3] != seq++) {
            break;
        }
        uint32_t length = ReadUint24(header->data());
        uint32_t inflated = ReadUint24(header->data() + 4);
        if (left + std::max(length, inflated) + 1 >= kMaxBufferSize) {
            break;
        }
        auto payload = take(length);
        if (!payload) {
            break;
        }
        stream.erase(stream.begin(), stream.begin() + static_cast<long>(start));
        start = 0;
        if (inflated == 0) {
            stream.insert(stream.end(), payload->begin(), payload->end());
        } else {
            // The room the header asks for, kept from run to run: a header may claim 16 MiB,
            // and a fresh allocation of that size per run would be most of the run's time.
            static std::unique_ptr<uint8_t[]> out;
            static std::size_t out_size = 0;
            if (out_size < inflated) {
                out.reset(new uint8_t[inflated]);
                out_size = inflated;
            }
            uLongf got = inflated;
            if (uncompress(out.get(), &got, payload->data(), payload->size()) != Z_OK) {
                break;
            }
            stream.insert(stream.end(), out.get(), out.get() + got);
        }
    }
    return model;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    bool compressed = (data[0] & 0x80) == 0;
    std::size_t piece = data[0] & 7;
    constexpr std::size_t kLimit = 64;
    Model model = Decode(data + 1, size - 1, compressed, kLimit);

    fuzz::SetServerBytes(data + 1, size - 1, piece);
    PacketChannel net;
    if (net.Open(TransportKind::TcpIp, "127.0.0.1", "", 3306, 5, true) !=
        ConnectStatus::Connected) {
        Check(model.packets.empty(), "no connection to a server with something to say");
        return 0;
    }
    net.SetCompression(compressed);
    std::size_t handed = 0;
    while (handed < kLimit) {
        std::optional<std::size_t> length = net.ReadPacket();
        if (!length) {
            break;
        }
        Check(handed < model.packets.size(), "reader handed out a packet the bytes do not hold");
        const Bytes& want = model.packets[handed];
        Check(*length == want.size(), "packet length");
        Check(want.empty() || std::memcmp(net.ReadPtr(), want.data(), want.size()) == 0,
              "packet bytes");
        Check(net.ReadPtr()[*length] == 0, "packet not followed by a zero byte");
        ++handed;
    }
    Check(handed == model.packets.size(), "reader stopped before the bytes ran out");
    // After a failed read the layer still answers sanely.
    net.ShrinkBuffer();
    net.Close();
    return 0;
}
