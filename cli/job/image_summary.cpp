#include "cli/job/image_info.h"
#include "cli/job/sha256.h"
#include "image/load.h"

namespace cli {

void NoteFlatImage(ImageInfo& info, const image::Layout& layout,
                   std::span<const std::uint8_t> bytes) {
    info.layout = layout;
    info.flatSha256 = Sha256Hex(bytes);
}

std::string ImageLine(const ImageInfo& info) {
    if (!info.layout || info.layout->format == image::Format::Raw)
        return {};
    return "image: " + image::Describe(*info.layout);
}

}  // namespace cli
