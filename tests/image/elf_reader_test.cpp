// ELF: the loadable segments of files built here byte by byte (for the faults no linker
// writes), in both classes and byte orders; linked files are the oracle test's.
#include <gtest/gtest.h>

#include "image_support.h"

namespace {

using image::Format;
using namespace image_test;

struct Segment {
    std::uint32_t type = 1;  // PT_LOAD
    std::uint64_t offset = 0;
    std::uint64_t paddr = 0;
    std::uint64_t filesz = 0;
};

// An ELF file: header, program header table right after it, then `data`.
class ElfBuilder {
  public:
    ElfBuilder(bool is64, bool big) : is64_(is64), big_(big) {}

    std::uint64_t DataOffset(std::size_t segments) const {
        return HeaderSize() + segments * EntrySize();
    }

    std::string Build(const std::vector<Segment>& segments,
                      const std::vector<std::uint8_t>& data) const {
        std::vector<std::uint8_t> f = {
            0x7F, 'E', 'L', 'F', std::uint8_t(is64_ ? 2 : 1), std::uint8_t(big_ ? 2 : 1), 1};
        f.resize(HeaderSize());
        const std::size_t entry = EntrySize();
        Put(f, 16, 2, 2);  // ET_EXEC
        Put(f, is64_ ? 32 : 28, is64_ ? 8 : 4, HeaderSize());
        Put(f, is64_ ? 54 : 42, 2, entry);
        Put(f, is64_ ? 56 : 44, 2, segments.size());
        for (const Segment& s : segments) {
            const std::size_t at = f.size();
            f.resize(at + entry);
            Put(f, at, 4, s.type);
            Put(f, at + (is64_ ? 8 : 4), is64_ ? 8 : 4, s.offset);
            Put(f, at + (is64_ ? 16 : 8), is64_ ? 8 : 4, s.paddr + 0x20000000);  // p_vaddr
            Put(f, at + (is64_ ? 24 : 12), is64_ ? 8 : 4, s.paddr);
            Put(f, at + (is64_ ? 32 : 16), is64_ ? 8 : 4, s.filesz);
            Put(f, at + (is64_ ? 40 : 20), is64_ ? 8 : 4, s.filesz + 16);  // p_memsz: a .bss
        }
        f.insert(f.end(), data.begin(), data.end());
        return {f.begin(), f.end()};
    }

  private:
    std::size_t HeaderSize() const { return is64_ ? 64 : 52; }
    std::size_t EntrySize() const { return is64_ ? 56 : 32; }
    void Put(std::vector<std::uint8_t>& f, std::size_t at, std::size_t width,
             std::uint64_t v) const {
        for (std::size_t i = 0; i < width; ++i)
            f[at + (big_ ? width - 1 - i : i)] = std::uint8_t(v >> (8 * i));
    }

    bool is64_, big_;
};

std::string Patched(std::string file, std::size_t at, char value) {
    file[at] = value;
    return file;
}

TEST(Elf, LoadSegmentsAtTheirPhysicalAddressesInEveryClassAndByteOrder) {
    for (bool is64 : {false, true}) {
        for (bool big : {false, true}) {
            SCOPED_TRACE(std::string(is64 ? "ELF64" : "ELF32") + (big ? " big" : " little"));
            const ElfBuilder elf(is64, big);
            const std::uint64_t d = elf.DataOffset(4);
            // Out of address order, a note segment and an empty one between.
            const std::string file = elf.Build({{1, d + 4, 0x08001000, 3},
                                                {4, d, 0x1234, 4},
                                                {1, d, 0x08000FFE, 0},
                                                {1, d, 0x08000FFE, 2}},
                                               {1, 2, 3, 4, 5, 6, 7});
            auto flat = Flat(Format::Elf, file);
            ASSERT_TRUE(std::holds_alternative<image::FlatImage>(flat))
                << std::get<std::string>(flat);
            auto& image = std::get<image::FlatImage>(flat);
            EXPECT_EQ(image.layout.base, 0x08000FFEu);
            EXPECT_EQ(Bytes(image), (std::vector<std::uint8_t>{1, 2, 5, 6, 7}));
            EXPECT_EQ(image.layout.filled, 0u);
        }
    }
}

TEST(Elf, EachFaultIsNamedWithItsSegment) {
    const ElfBuilder elf32(false, false), elf64(true, true);
    const std::uint64_t d = elf32.DataOffset(2);
    const std::string good = elf32.Build({{1, d, 0x100, 2}, {1, d, 0x200, 2}}, {1, 2});
    struct Case {
        std::string file;
        std::string fault;
    };
    const Case cases[] = {
        {good.substr(0, 10), "f: the ELF header is truncated: the file holds 10 bytes of it"},
        {good.substr(0, 40), "f: the ELF header is truncated: the file holds 40 of its 52 bytes"},
        {elf64.Build({}, {}).substr(0, 60),
         "f: the ELF header is truncated: the file holds 60 of its 64 bytes"},
        {"\x7f"
         "ELF\x03\x01\x01" +
             std::string(60, '\0'),
         "f: ELF class 3 is neither 32-bit (1) nor 64-bit (2)"},
        {"\x7f"
         "ELF\x01\x03\x01" +
             std::string(60, '\0'),
         "f: ELF data encoding 3 is neither little-endian (1) nor big-endian (2)"},
        {"\x7f"
         "ELF\x01\x01\x02" +
             std::string(60, '\0'),
         "f: ELF version 2, where only version 1 exists"},
        {"MZ\x90", "f: no ELF magic number (7F 45 4C 46) at its start"},
        {elf32.Build({}, {}),
         "f: no program headers: a linked program has them, an object file (.o) does not"},
        {good.substr(0, 100),
         "f: the program header table (2 entries of 32 bytes at offset 0x34) runs past the end of "
         "the file (100 bytes)"},
        {Patched(elf32.Build({{1, d, 0x100, 2}}, {1, 2}), 42, 20),
         "f: program headers of 20 bytes, where this class needs 32"},
        {elf32.Build({{1, d, 0x100, 2}, {1, d + 1, 0x200, 2}}, {1, 2}),
         "f: segment 1: its 2 file bytes at offset 0x75 run past the end of the file (118 bytes)"},
        {elf32.Build({{1, 0xFFFFFFF0, 0x100, 0x20}}, {}),
         "f: segment 0: its 32 file bytes at offset 0xFFFFFFF0 run past the end of the file (84 "
         "bytes)"},
        {elf32.Build({{6, d, 0x100, 2}, {1, d, 0x200, 0}}, {1, 2}),
         "f: no loadable segment (PT_LOAD) holds bytes of the file"},
        {elf32.Build({{1, d, 0x100, 2}, {1, d, 0x101, 1}}, {1, 2}),
         "f: segment 1: address 0x00000101 is given 0x01 here but 0x02 earlier in the file"},
        {elf64.Build({{1, elf64.DataOffset(1), 0x100000000, 1}}, {9}),
         "f: segment 0: 1 byte at 0x100000000 runs past 0xFFFFFFFF, the end of the 32-bit address "
         "space"},
        {elf32.Build({{1, d, 0x100, 1}, {1, d, 0x500100, 1}}, {1, 2}),
         "f: segment 1: the data at 0x00500100..0x00500100 reaches more than 4194304 bytes (the "
         "most an image holds) past the lowest address, 0x00000100 of segment 0"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FaultOf(Format::Elf, c.file), c.fault);
}

}  // namespace
