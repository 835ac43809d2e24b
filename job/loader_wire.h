// The loader protocol's bytes as they go over the line: the link request, the fixed reply
// lengths and the one- and two-byte codes the loader answers with. Counts are little-endian;
// the loader guards its single-byte values by sending each next to its bitwise complement.
//
// Threading: constant data.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace wire {

// Link request: C9 DD 55 AA K C9, where the key K tells the loader which job follows.
inline constexpr std::uint8_t kLinkFrame = 0xC9;  // opens and closes the request
inline constexpr std::array<std::uint8_t, 3> kLinkSignature{0xDD, 0x55, 0xAA};
inline constexpr std::uint8_t kKeyProgram = 0xDD;   // erase, write, verify, then the table
inline constexpr std::uint8_t kKeyChecksum = 0x22;  // the checksum table alone
inline constexpr std::uint32_t kLinkRequestLength = 6;

constexpr std::array<std::uint8_t, kLinkRequestLength> LinkRequest(std::uint8_t key) {
    return {kLinkFrame, kLinkSignature[0], kLinkSignature[1], kLinkSignature[2], key, kLinkFrame};
}

// Link reply r0..r7: each value byte is followed by its complement two bytes on (r2 = ~r0,
// r3 = ~r1) or one byte on (r5 = ~r4, r7 = ~r6).
inline constexpr std::uint32_t kLinkReplyLength = 8;
inline constexpr std::size_t kReplyVersionHigh = 0;
inline constexpr std::size_t kReplyVersionLow = 1;
inline constexpr std::size_t kReplyLetter = 4;
inline constexpr std::size_t kReplyPacketSize = 6;
// The letters after which the 32-byte information block follows; shown in upper case.
inline constexpr std::uint8_t kLetterWithInfoE = 'e';
inline constexpr std::uint8_t kLetterWithInfoD = 'd';

// Information block: byte 0 the erase time in units of 2 s, byte 1 its complement; the other
// 30 bytes are not interpreted.
inline constexpr std::uint32_t kInfoBlockLength = 32;

// A count (the file length or the checksum table's byte count) and its echo.
inline constexpr std::uint32_t kCountLength = 4;

// Two-byte codes.
using Code = std::array<std::uint8_t, 2>;
inline constexpr std::uint32_t kCodeLength = 2;
inline constexpr Code kLinkConfirm{0xAA, 0x55};  // erase begun (Program), ready for the count
inline constexpr Code kEraseDone{0x55, 0xAA};
inline constexpr Code kEndCode{0xAA, 0x55};  // closes the read-back of a transfer

// The last byte of every packet acknowledgement.
inline constexpr std::uint8_t kAck = 0xAA;

}  // namespace wire
