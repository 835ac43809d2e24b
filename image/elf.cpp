#include "image/elf.h"

#include <array>
#include <cstring>
#include <vector>

namespace image {
namespace {

constexpr std::uint32_t kPtLoad = 1;
constexpr std::uint16_t kPnXnum = 0xFFFF;
constexpr std::size_t kChunk = 64 * 1024;

// The fields Kven reads, by class: where they lie and how wide they are.
struct Shape {
    std::size_t headerSize;
    std::size_t phoff, phentsize, phnum;  // in the file header
    std::size_t entrySize;                // the least a program header takes
    std::size_t pOffset, pPaddr, pFilesz, wordSize;
};

constexpr Shape kElf32 = {52, 28, 42, 44, 32, 4, 12, 16, 4};
constexpr Shape kElf64 = {64, 32, 54, 56, 56, 8, 24, 32, 8};

class Decoder {
  public:
    Decoder(const Shape& shape, bool bigEndian) : shape_(shape), big_(bigEndian) {}

    std::uint64_t Get(const std::uint8_t* p, std::size_t width) const {
        std::uint64_t v = 0;
        for (std::size_t i = 0; i < width; ++i)
            v |= std::uint64_t{p[big_ ? width - 1 - i : i]} << (8 * i);
        return v;
    }
    std::uint64_t Word(const std::uint8_t* p) const { return Get(p, shape_.wordSize); }

  private:
    const Shape& shape_;
    bool big_;
};

ImageError FileError(std::string what) {
    return {{}, std::move(what)};
}

std::string Bytes(std::uint64_t n) {
    return std::to_string(n) + (n == 1 ? " byte" : " bytes");
}

// Hands the segment's bytes to the sink, a piece at a time.
std::optional<ImageError> Place(ByteSource& source, DataSink& sink, std::uint64_t offset,
                                std::uint64_t address, std::uint64_t length, Origin at) {
    if (!sink.WantsBytes())
        return sink.Data(address, length, nullptr, at);
    std::vector<std::uint8_t> chunk(
        static_cast<std::size_t>(std::min<std::uint64_t>(length, kChunk)));
    for (std::uint64_t done = 0; done < length;) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(length - done, kChunk));
        if (source.ReadAt(offset + done, std::span(chunk).first(n)) != n)
            return ImageError{at, "the file ended while the segment was being read"};
        if (auto error = sink.Data(address + done, n, chunk.data(), at))
            return error;
        done += n;
    }
    return std::nullopt;
}

}  // namespace

std::optional<ImageError> ReadElf(ByteSource& source, DataSink& sink) {
    const std::uint64_t fileSize = source.Size();
    std::array<std::uint8_t, 64> header{};
    const std::size_t got = source.ReadAt(0, header);
    if (got < 4 || std::memcmp(header.data(),
                               "\x7f"
                               "ELF",
                               4) != 0)
        return FileError("no ELF magic number (7F 45 4C 46) at its start");
    if (got < 16)
        return FileError("the ELF header is truncated: the file holds " + Bytes(got) + " of it");
    const std::uint8_t elfClass = header[4], encoding = header[5], version = header[6];
    if (elfClass != 1 && elfClass != 2)
        return FileError(Printf("ELF class %u is neither 32-bit (1) nor 64-bit (2)", elfClass));
    if (encoding != 1 && encoding != 2) {
        return FileError(
            Printf("ELF data encoding %u is neither little-endian (1) nor big-endian "
                   "(2)",
                   encoding));
    }
    if (version != 1)
        return FileError(Printf("ELF version %u, where only version 1 exists", version));
    const Shape& shape = elfClass == 1 ? kElf32 : kElf64;
    const Decoder d(shape, encoding == 2);
    if (got < shape.headerSize) {
        return FileError(Printf("the ELF header is truncated: the file holds %zu of its %zu bytes",
                                got, shape.headerSize));
    }
    const std::uint64_t phoff = d.Word(&header[shape.phoff]);
    const auto phentsize = static_cast<std::size_t>(d.Get(&header[shape.phentsize], 2));
    const auto phnum = static_cast<std::size_t>(d.Get(&header[shape.phnum], 2));
    if (phnum == 0) {
        return FileError(
            "no program headers: a linked program has them, an object file (.o) "
            "does not");
    }
    if (phnum == kPnXnum)
        return FileError("more program headers than the ELF header can count (PN_XNUM)");
    if (phentsize < shape.entrySize) {
        return FileError(Printf("program headers of %zu bytes, where this class needs %zu",
                                phentsize, shape.entrySize));
    }
    const std::uint64_t tableSize = std::uint64_t{phentsize} * phnum;
    if (phoff > fileSize || tableSize > fileSize - phoff) {
        return FileError(
            Printf("the program header table (%zu entries of %zu bytes at offset "
                   "0x%llX) runs past the end of the file (%llu bytes)",
                   phnum, phentsize, static_cast<unsigned long long>(phoff),
                   static_cast<unsigned long long>(fileSize)));
    }
    std::size_t loaded = 0;
    std::array<std::uint8_t, 56> entry{};
    for (std::size_t i = 0; i < phnum; ++i) {
        const Origin at = Origin::Segment(i);
        const auto span = std::span(entry).first(shape.entrySize);
        if (source.ReadAt(phoff + std::uint64_t{i} * phentsize, span) != span.size())
            return ImageError{at, "the file ended while its program header was being read"};
        if (d.Get(entry.data(), 4) != kPtLoad)
            continue;
        const std::uint64_t offset = d.Word(&entry[shape.pOffset]);
        const std::uint64_t address = d.Word(&entry[shape.pPaddr]);
        const std::uint64_t length = d.Word(&entry[shape.pFilesz]);
        if (length == 0)
            continue;
        if (offset > fileSize || length > fileSize - offset) {
            return ImageError{at, Printf("its %llu file bytes at offset 0x%llX run past the end "
                                         "of the file (%llu bytes)",
                                         static_cast<unsigned long long>(length),
                                         static_cast<unsigned long long>(offset),
                                         static_cast<unsigned long long>(fileSize))};
        }
        if (auto error = Place(source, sink, offset, address, length, at))
            return error;
        ++loaded;
    }
    if (loaded == 0)
        return FileError("no loadable segment (PT_LOAD) holds bytes of the file");
    return std::nullopt;
}

}  // namespace image
