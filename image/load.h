// An image file in, one flat image out: the format chosen by the file's name (or forced) and
// confirmed by its content, a raw binary read as it is, an addressed image (Intel HEX,
// S-record, ELF) made flat from its base. Nothing here knows of jobs or of how a front end
// shows things; the messages name the file, the line or segment, and what is wrong.
//
// Threading: plain values and functions; a file is read by one thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "image/flat_image.h"
#include "platform/file_io.h"

namespace image {

struct Request {
    std::optional<Format> format;       // nothing: the file's name says
    std::optional<std::uint32_t> base;  // nothing: the lowest address with data
    // Set when the base asked for is no address: an addressed image then fails with this
    // text (a raw binary has no addresses and reads as ever).
    std::string baseError;
};

enum class Status {
    Ok,
    Unopened,   // missing, unreadable, or not a regular file
    TooLong,    // a raw binary longer than the limit: nothing was allocated
    ReadShort,  // a raw binary that read short: the image holds what was read, zeros after it
    Bad,        // an addressed image that cannot be read: `detail` says where and why
};

struct Loaded {
    Status status = Status::Unopened;
    FlatImage image;     // its layout names the format whenever the file was opened
    std::string detail;  // Bad: "fw.hex: line 3: ..."
};

// Opens `path` into `file` and reads it as `request` asks, to an image of at most `limit`
// bytes. The file stays open for the caller to close.
Loaded Load(platform::ImageFile& file, const std::string& path, const Request& request,
            std::uint32_t limit);

// The reader of an addressed format; null for a raw binary.
Reader ReaderFor(Format format);

// "0x08000000", "0X8000000" or "134217728"; nothing for anything else or above 0xFFFFFFFF.
std::optional<std::uint32_t> ParseAddress(std::string_view text);

// "Intel HEX, data 0x08000000..0x0801FFFF, base 0x08000000, 131072 bytes, 2048 filled with
// 0xFF"; "raw binary, 65536 bytes"; "S-record, no data".
std::string Describe(const Layout& layout);

}  // namespace image
