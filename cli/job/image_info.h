// The image file as the job log names it: path, size and SHA-256, and the flat image the job
// made of it: format, layout and SHA-256.
//
// Threading: an ImageDescriber is used by one thread.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "image/flat_image.h"

namespace cli {

struct ImageInfo {
    std::string path;  // absolute
    std::uint64_t size = 0;
    std::string sha256;  // empty when the file could not be read
    // The flat image: nothing when none was read.
    std::optional<image::Layout> layout;
    std::string flatSha256;
};

// Notes the flat image read from the file: its layout and its digest.
void NoteFlatImage(ImageInfo& info, const image::Layout& layout,
                   std::span<const std::uint8_t> bytes);

// "image: Intel HEX, data 0x08000000..0x0801FFFF, base 0x08000000, 131072 bytes, 2048 filled
// with 0xFF"; empty for a raw binary, whose bytes are programmed as they are.
std::string ImageLine(const ImageInfo& info);

// Describes the image, reading it again only when the file changed: board after board costs
// a stat, not a 4 MiB digest, per board.
class ImageDescriber {
  public:
    ImageInfo Describe(const std::string& path);  // `path` as given

  private:
    ImageInfo last_;
    std::uint64_t device_ = 0, inode_ = 0;
    std::int64_t mtimeNs_ = -1;
};

}  // namespace cli
