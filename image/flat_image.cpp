#include "image/flat_image.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

namespace image {
namespace {

constexpr std::uint64_t kAddressSpace = std::uint64_t{1} << 32;

// "the data at 0x..0x.. reaches more than N bytes (the most an image holds) "
std::string TooFar(std::uint64_t from, std::uint64_t to, std::uint32_t limit, const char* way) {
    return "the data at " + Address(from) + ".." + Address(to) + " " + way + " more than " +
           std::to_string(limit) + " bytes (the most an image holds) ";
}

std::string Place(std::uint64_t address, Origin origin) {
    const std::string where = OriginText(origin);
    return Address(address) + (where.empty() ? "" : " of " + where);
}

// The first pass: every record checked, the extent of the data found and bounded.
class ExtentSink : public DataSink {
  public:
    ExtentSink(std::optional<std::uint32_t> base, std::uint32_t limit)
        : base_(base), limit_(limit) {}

    bool WantsBytes() const override { return false; }

    std::optional<ImageError> Data(std::uint64_t address, std::uint64_t length, const std::uint8_t*,
                                   Origin origin) override {
        if (length == 0)
            return std::nullopt;
        if (address >= kAddressSpace || length > kAddressSpace - address) {
            return ImageError{
                origin,
                Printf("%llu %s at %s %s past 0xFFFFFFFF, the end of the "
                       "32-bit address space",
                       static_cast<unsigned long long>(length), length == 1 ? "byte" : "bytes",
                       Address(address).c_str(), length == 1 ? "runs" : "run")};
        }
        const std::uint64_t end = address + length;  // one past the last byte
        if (length > limit_) {
            return ImageError{
                origin, Printf("the %llu bytes at %s are more than an image holds "
                               "(%lu bytes)",
                               static_cast<unsigned long long>(length), Address(address).c_str(),
                               static_cast<unsigned long>(limit_))};
        }
        if (base_) {
            if (address < *base_) {
                return ImageError{origin, "the data at " + Address(address) +
                                              " lies below the base " + Address(*base_)};
            }
            if (end - *base_ > limit_) {
                return ImageError{origin, TooFar(address, end - 1, limit_, "reaches") +
                                              "past the base " + Address(*base_)};
            }
        }
        const bool lowers = !any_ || address < low_;
        const bool raises = !any_ || end > end_;
        if (lowers) {
            low_ = address;
            lowOrigin_ = origin;
        }
        if (raises) {
            end_ = end;
            endOrigin_ = origin;
        }
        any_ = true;
        if (!base_ && end_ - low_ > limit_) {
            // This record moved one end too far from the other, which is named with its place.
            if (raises) {
                return ImageError{origin, TooFar(address, end - 1, limit_, "reaches") +
                                              "past the lowest address, " +
                                              Place(low_, lowOrigin_)};
            }
            return ImageError{origin, TooFar(address, end - 1, limit_, "lies") +
                                          "below the highest address, " +
                                          Place(end_ - 1, endOrigin_)};
        }
        return std::nullopt;
    }

    // The image's base and size once every record is in.
    std::uint32_t Base() const { return base_ ? *base_ : any_ ? std::uint32_t(low_) : 0; }
    std::uint32_t Size() const { return any_ ? std::uint32_t(end_ - Base()) : 0; }
    std::uint32_t First() const { return std::uint32_t(low_); }
    std::uint32_t Last() const { return any_ ? std::uint32_t(end_ - 1) : 0; }

  private:
    std::optional<std::uint32_t> base_;
    std::uint32_t limit_;
    bool any_ = false;
    std::uint64_t low_ = 0, end_ = 0;
    Origin lowOrigin_, endOrigin_;
};

// The second pass: each byte placed, each address given once (or again with the same value).
class PlacingSink : public DataSink {
  public:
    PlacingSink(std::uint32_t base, std::uint32_t size, std::uint8_t* bytes)
        : base_(base), size_(size), bytes_(bytes), given_((std::size_t{size} + 63) / 64) {}

    bool WantsBytes() const override { return true; }

    std::optional<ImageError> Data(std::uint64_t address, std::uint64_t length,
                                   const std::uint8_t* data, Origin origin) override {
        if (length == 0)
            return std::nullopt;
        // The first pass bounded every record; a file that changed since reads differently.
        if (address < base_ || address - base_ > size_ || length > size_ - (address - base_))
            return ImageError{origin, "the file changed while it was being read"};
        const std::size_t at = static_cast<std::size_t>(address - base_);
        for (std::size_t i = 0; i < length; ++i) {
            const std::size_t pos = at + i;
            std::uint64_t& word = given_[pos / 64];
            const std::uint64_t bit = std::uint64_t{1} << (pos % 64);
            if ((word & bit) != 0 && bytes_[pos] != data[i]) {
                return ImageError{origin,
                                  Printf("address %s is given 0x%02X here but 0x%02X "
                                         "earlier in the file",
                                         Address(address + i).c_str(), data[i], bytes_[pos])};
            }
            bytes_[pos] = data[i];
            word |= bit;
        }
        return std::nullopt;
    }

    std::uint32_t Covered() const {
        std::uint64_t n = 0;
        for (std::uint64_t w : given_)
            n += static_cast<std::uint64_t>(std::popcount(w));
        return static_cast<std::uint32_t>(n);
    }

  private:
    std::uint32_t base_;
    std::uint32_t size_;
    std::uint8_t* bytes_;
    std::vector<std::uint64_t> given_;  // a bit for each byte of the image that data covers
};

}  // namespace

std::variant<FlatImage, ImageError> BuildFlatImage(Reader reader, ByteSource& source,
                                                   std::optional<std::uint32_t> base,
                                                   std::uint32_t limit) {
    ExtentSink extent(base, limit);
    if (auto error = reader(source, extent))
        return std::move(*error);
    FlatImage image;
    image.layout.base = extent.Base();
    image.layout.size = extent.Size();
    image.layout.first = extent.First();
    image.layout.last = extent.Last();
    image.bytes = std::make_unique_for_overwrite<std::uint8_t[]>(image.layout.size);
    std::memset(image.bytes.get(), kErased, image.layout.size);
    PlacingSink placing(image.layout.base, image.layout.size, image.bytes.get());
    if (image.layout.size > 0) {
        if (auto error = reader(source, placing))
            return std::move(*error);
    }
    image.layout.filled = image.layout.size - placing.Covered();
    return image;
}

}  // namespace image
