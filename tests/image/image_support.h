// What the image tests share: records written by hand (for the faults a tool would never
// write), and the flat image of a text in memory.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "image/load.h"

namespace image_test {

inline std::string HexBytes(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    char pair[3];
    for (std::uint8_t b : bytes) {
        std::snprintf(pair, sizeof pair, "%02X", b);
        out += pair;
    }
    return out;
}

// ":LLAAAATT<data>CC" with a checksum that matches.
inline std::string HexRecord(std::uint8_t type, std::uint16_t offset,
                             const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> bytes = {static_cast<std::uint8_t>(data.size()),
                                       static_cast<std::uint8_t>(offset >> 8),
                                       static_cast<std::uint8_t>(offset), type};
    bytes.insert(bytes.end(), data.begin(), data.end());
    unsigned sum = 0;
    for (std::uint8_t b : bytes)
        sum += b;
    bytes.push_back(static_cast<std::uint8_t>(0x100 - (sum & 0xFF)));
    return ":" + HexBytes(bytes);
}

inline constexpr const char* kHexEnd = ":00000001FF";

// "S<type><count><address><data><checksum>" with a checksum that matches.
inline std::string SRecord(int type, std::uint32_t address, const std::vector<std::uint8_t>& data) {
    constexpr int kAddressBytes[] = {2, 2, 3, 4, 0, 2, 3, 4, 3, 2};
    const int width = kAddressBytes[type];
    std::vector<std::uint8_t> bytes = {static_cast<std::uint8_t>(width + data.size() + 1)};
    for (int i = width - 1; i >= 0; --i)
        bytes.push_back(static_cast<std::uint8_t>(address >> (8 * i)));
    bytes.insert(bytes.end(), data.begin(), data.end());
    unsigned sum = 0;
    for (std::uint8_t b : bytes)
        sum += b;
    bytes.push_back(static_cast<std::uint8_t>(~sum));
    return "S" + std::to_string(type) + HexBytes(bytes);
}

inline std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& l : lines)
        text += l + "\n";
    return text;
}

inline constexpr std::uint32_t kLimit = 0x400000;

// The flat image of `text` read as `format`, or the fault as the message names it (the file
// called "f").
inline std::variant<image::FlatImage, std::string> Flat(image::Format format,
                                                        const std::string& text,
                                                        std::optional<std::uint32_t> base = {},
                                                        std::uint32_t limit = kLimit) {
    image::MemorySource source(
        std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    auto built = image::BuildFlatImage(image::ReaderFor(format), source, base, limit);
    if (auto* error = std::get_if<image::ImageError>(&built))
        return image::ErrorText("f", *error);
    return std::move(std::get<image::FlatImage>(built));
}

inline std::string FaultOf(image::Format format, const std::string& text,
                           std::optional<std::uint32_t> base = {}) {
    auto result = Flat(format, text, base);
    if (auto* fault = std::get_if<std::string>(&result))
        return *fault;
    return "no fault";
}

inline std::vector<std::uint8_t> Bytes(const image::FlatImage& image) {
    return {image.bytes.get(), image.bytes.get() + image.layout.size};
}

}  // namespace image_test
