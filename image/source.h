// Where a reader takes a file's bytes from: the open image file, read piece by piece so that a
// large file is never held whole, or bytes already in memory (the tests and fuzz targets).
//
// Threading: a source is used by one thread at a time.
#pragma once

#include <cstdint>
#include <span>

#include "platform/file_io.h"

namespace image {

class ByteSource {
  public:
    virtual ~ByteSource() = default;
    // The size when the file was opened.
    virtual std::uint64_t Size() const = 0;
    // Fills `dest` from `offset` until it is full or the source ends; the bytes read.
    virtual std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> dest) = 0;
};

class FileSource : public ByteSource {
  public:
    explicit FileSource(platform::ImageFile& file) : file_(file) {}
    std::uint64_t Size() const override { return file_.Size(); }
    std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> dest) override {
        return file_.ReadAt(offset, dest);
    }

  private:
    platform::ImageFile& file_;
};

class MemorySource : public ByteSource {
  public:
    explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::uint64_t Size() const override { return bytes_.size(); }
    std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> dest) override;

  private:
    std::span<const std::uint8_t> bytes_;
};

}  // namespace image
