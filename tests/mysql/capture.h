#pragma once

// The packets of a real conversation with MariaDB 10.11, read from the hex dump kept in
// tests/mysql/data.

#include <cstdint>
#include <string>
#include <vector>

namespace varnimo::mysql::testing {

struct CapturedPacket {
    bool from_server = false;
    uint8_t seq = 0;
    std::vector<uint8_t> payload;
};

// Throws std::runtime_error when the file cannot be read or a packet's bytes do not match
// its stated length.
std::vector<CapturedPacket> ReadCapture(const std::string& path);

}  // namespace varnimo::mysql::testing
