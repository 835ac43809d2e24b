// What the three image reader targets check, each for its own format: any input either gives
// a clear fault or a flat image that holds every piece of data the reader finds, at its
// address, with every other byte 0xFF; never a crash, a hang or more memory than the bound.
//
// The first input byte picks the base (none, or one from the byte) and the bound (mostly 4 KiB,
// one time in eight the 4 MiB of a job, which costs its allocation on every run); the rest is
// the file.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "image/load.h"

namespace image_fuzz {

[[noreturn]] inline void Fail(const char* what) {
    std::fprintf(stderr, "image fuzz: %s\n", what);
    std::abort();
}

// Reads the file a third time and checks each piece against the image, marking what it covers.
class CheckingSink : public image::DataSink {
  public:
    explicit CheckingSink(const image::FlatImage& image)
        : image_(image), covered_(image.layout.size) {}

    bool WantsBytes() const override { return true; }
    std::optional<image::ImageError> Data(std::uint64_t address, std::uint64_t length,
                                          const std::uint8_t* bytes, image::Origin) override {
        const image::Layout& l = image_.layout;
        if (length == 0)
            return std::nullopt;
        if (address < l.base || address - l.base + length > l.size)
            Fail("a piece of data lies outside the image");
        for (std::uint64_t i = 0; i < length; ++i) {
            const std::size_t at = static_cast<std::size_t>(address - l.base + i);
            if (image_.bytes[at] != bytes[i])
                Fail("the image differs from a piece of data");
            covered_[at] = true;
        }
        return std::nullopt;
    }

    void CheckGaps() const {
        std::uint32_t gaps = 0;
        for (std::size_t i = 0; i < covered_.size(); ++i) {
            if (!covered_[i]) {
                ++gaps;
                if (image_.bytes[i] != image::kErased)
                    Fail("a gap is not 0xFF");
            }
        }
        if (gaps != image_.layout.filled)
            Fail("the count of filled bytes is wrong");
    }

  private:
    const image::FlatImage& image_;
    std::vector<bool> covered_;
};

inline void Check(image::Format format, const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return;
    const std::uint8_t selector = data[0];
    image::MemorySource source(std::span(data + 1, size - 1));
    const std::uint32_t limit = (selector & 0x1C) == 0 ? 0x400000 : 0x1000;
    std::optional<std::uint32_t> base;
    if (selector & 2)
        base = static_cast<std::uint32_t>(selector) << 8;
    const image::Reader reader = image::ReaderFor(format);
    auto built = image::BuildFlatImage(reader, source, base, limit);
    if (auto* error = std::get_if<image::ImageError>(&built)) {
        if (error->what.empty() || image::ErrorText("f", *error).size() < 4)
            Fail("a fault without words");
        return;
    }
    const image::FlatImage& image = std::get<image::FlatImage>(built);
    const image::Layout& l = image.layout;
    if (l.size > limit || l.filled > l.size)
        Fail("the image breaks its bound");
    if (l.size > 0) {
        if (l.first < l.base || l.last < l.first || l.last - l.base >= l.size)
            Fail("the layout does not hold together");
        if (!base && l.first != l.base)
            Fail("the base is not the lowest address");
    }
    CheckingSink checking(image);
    if (reader(source, checking))
        Fail("a file read once reads differently again");
    checking.CheckGaps();
}

}  // namespace image_fuzz
