#include "capture.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace varnimo::mysql::testing {

std::vector<CapturedPacket> ReadCapture(const std::string& path) {
    std::ifstream in(path);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    std::vector<CapturedPacket> packets;
    std::size_t expected = 0;
    std::string line;
    auto check = [&] {
        if (!packets.empty() && packets.back().payload.size() != expected) {
            throw std::runtime_error("capture: a packet does not hold its stated length");
        }
    };
    while (std::getline(in, line)) {
        if (line.rfind("<< packet", 0) == 0 || line.rfind(">> packet", 0) == 0) {
            check();
            CapturedPacket packet;
            packet.from_server = line[0] == '<';
            unsigned seq = 0;
            unsigned long length = 0;
            if (std::sscanf(line.c_str() + 3, "packet seq=%u len=%lu", &seq, &length) != 2) {
                throw std::runtime_error("capture: bad packet line: " + line);
            }
            packet.seq = static_cast<uint8_t>(seq);
            expected = length;
            packets.push_back(std::move(packet));
        } else if (line.size() > 9 && line.compare(0, 3, "   ") == 0 && !packets.empty() &&
                   packets.back().payload.size() < expected) {
            // "   0000  0a 35 ..." : the offset, two blanks, then up to 16 bytes in hex.
            std::istringstream bytes(line.substr(9, 47));
            std::string token;
            while (bytes >> token) {
                packets.back().payload.push_back(
                    static_cast<uint8_t>(std::stoul(token, nullptr, 16)));
            }
        }
    }
    check();
    return packets;
}

}  // namespace varnimo::mysql::testing
