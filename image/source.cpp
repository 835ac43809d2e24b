#include "image/source.h"

#include <algorithm>
#include <cstring>

namespace image {

std::size_t MemorySource::ReadAt(std::uint64_t offset, std::span<std::uint8_t> dest) {
    if (offset >= bytes_.size())
        return 0;
    const std::size_t n =
        std::min<std::size_t>(dest.size(), bytes_.size() - static_cast<std::size_t>(offset));
    std::memcpy(dest.data(), bytes_.data() + offset, n);
    return n;
}

}  // namespace image
