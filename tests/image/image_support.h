// What the image tests share: the records written by hand, and the flat image of a text in
// memory.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "image/load.h"
#include "support/image_records.h"

namespace image_test {

using testing_support::HexBytes;
using testing_support::HexRecord;
using testing_support::kHexEnd;
using testing_support::Lines;
using testing_support::SRecord;

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
