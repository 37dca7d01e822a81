#pragma once
// The in-memory transport the protocol targets link instead of the socket one: the "server"
// is a run of bytes handed out in small pieces, and what the client sends is kept.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace varnimo::fuzz {

// Bytes the next connections read, handed out at most `piece` bytes per read (0: as many as
// asked for). After the last byte a read reports a closed connection.
void SetServerBytes(const uint8_t* data, std::size_t size, std::size_t piece);
std::size_t ServerBytesLeft();
// Everything the client wrote since SetServerBytes.
const std::vector<uint8_t>& ClientBytes();
// Number of successful connects since SetServerBytes.
int ConnectCount();

}  // namespace varnimo::fuzz
