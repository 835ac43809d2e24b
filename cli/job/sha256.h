// SHA-256 (FIPS 180-4), for the image's fingerprint in the job log.
//
// Threading: plain values; not shared.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace cli {

class Sha256 {
  public:
    void Update(std::span<const std::uint8_t> data);
    // The digest; the object is spent afterwards.
    std::array<std::uint8_t, 32> Final();

  private:
    void Block(const std::uint8_t* block);

    std::array<std::uint32_t, 8> h_{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                    0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    std::array<std::uint8_t, 64> buffer_{};
    std::size_t buffered_ = 0;
    std::uint64_t length_ = 0;  // bytes
};

// Lower-case hex of the digest of `data`.
std::string Sha256Hex(std::span<const std::uint8_t> data);
std::string HexDigest(std::span<const std::uint8_t> digest);

}  // namespace cli
