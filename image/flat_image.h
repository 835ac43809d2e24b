// The flat image: the bytes a job programs, from the base address on, with every gap between
// a file's records or segments filled with the erased value 0xFF.
//
// A reader hands each piece of data it finds to a DataSink. BuildFlatImage runs the reader
// twice: first to check every record and find the data's extent, so that the image's size is
// known, and bounded, before anything is allocated; then to place the bytes into the one
// image-sized buffer, refusing two pieces that give one address different values.
//
// Threading: plain values and functions; a sink is used by one thread.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <variant>

#include "image/error.h"
#include "image/format.h"
#include "image/source.h"

namespace image {

inline constexpr std::uint8_t kErased = 0xFF;

class DataSink {
  public:
    virtual ~DataSink() = default;
    // Whether Data needs the bytes themselves; a reader may pass null where it would have to
    // read them only for this.
    virtual bool WantsBytes() const = 0;
    // `length` bytes of data for the addresses from `address` on, found at `origin`. An error
    // ends the reading.
    virtual std::optional<ImageError> Data(std::uint64_t address, std::uint64_t length,
                                           const std::uint8_t* bytes, Origin origin) = 0;
};

// Reads the whole source and hands its data to the sink in file order; the first fault ends it.
using Reader = std::optional<ImageError> (*)(ByteSource& source, DataSink& sink);

struct Layout {
    Format format = Format::Raw;
    std::uint32_t base = 0;    // the address of the image's first byte
    std::uint32_t size = 0;    // bytes in the image; 0 when the file holds no data
    std::uint32_t first = 0;   // the lowest address holding data (when size > 0)
    std::uint32_t last = 0;    // the highest
    std::uint32_t filled = 0;  // bytes of the image that no data covers: 0xFF

    bool operator==(const Layout&) const = default;
};

struct FlatImage {
    Layout layout;
    std::unique_ptr<std::uint8_t[]> bytes;  // layout.size bytes
};

// Builds the flat image of what `reader` finds in `source`: from `base` (nothing: the lowest
// address with data) to the highest, at most `limit` bytes. The layout's format is left Raw
// for the caller to name.
std::variant<FlatImage, ImageError> BuildFlatImage(Reader reader, ByteSource& source,
                                                   std::optional<std::uint32_t> base,
                                                   std::uint32_t limit);

}  // namespace image
