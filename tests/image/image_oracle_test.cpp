// The flat image against Debian's tools: srec_cat (srecord) writes random images with holes as
// Intel HEX and S-record, with every address width and random record lengths; ld and objcopy
// (binutils) link ELF files of several segments in both classes and byte orders. What Kven
// programs must equal what srec_cat or objcopy make of the same file with the gaps filled
// with 0xFF.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>

#include "image_support.h"
#include "support/temp_dir.h"

namespace {

using image::Format;
using testing_support::TempDir;

std::uint32_t Draw(std::mt19937& rng) {
    return static_cast<std::uint32_t>(rng());
}

struct Piece {
    std::uint32_t address;
    std::vector<std::uint8_t> bytes;
};

class ImageOracle : public ::testing::Test {
  protected:
    TempDir dir;

    static void SetUpTestSuite() {
        for (const char* tool : {"srec_cat", "ld", "objcopy"}) {
            ASSERT_EQ(std::system((std::string("command -v ") + tool + " >/dev/null").c_str()), 0)
                << tool << " is missing: scripts/install-deps.sh installs it";
        }
    }

    // Runs `command` in the test's folder; its error output is kept for the failure message.
    void Run(const std::string& command) {
        const std::string log = dir.File("tool.log");
        const int status =
            std::system(("cd '" + dir.path().string() + "' && " + command + " 2>" + log).c_str());
        ASSERT_EQ(status, 0) << command << "\n" << testing_support::ReadFile(log);
    }

    std::vector<std::uint8_t> Read(const std::string& name) {
        const std::string text = testing_support::ReadFile(dir.File(name));
        return {text.begin(), text.end()};
    }

    // Reads `name` as Kven does and compares it with the oracle's flat image.
    void ExpectSameImage(const std::string& name, const std::string& flat, Format format) {
        platform::ImageFile file;
        const image::Loaded loaded = image::Load(file, dir.File(name), {}, image_test::kLimit);
        ASSERT_EQ(loaded.status, image::Status::Ok) << loaded.detail;
        EXPECT_EQ(loaded.image.layout.format, format);
        const std::vector<std::uint8_t> expected = Read(flat);
        ASSERT_EQ(loaded.image.layout.size, expected.size());
        const auto mismatch =
            std::mismatch(expected.begin(), expected.end(), loaded.image.bytes.get());
        EXPECT_TRUE(mismatch.first == expected.end())
            << "first difference at offset " << (mismatch.first - expected.begin());
        const auto filled =
            static_cast<std::uint32_t>(std::count(expected.begin(), expected.end(), 0xFF));
        EXPECT_LE(loaded.image.layout.filled, filled);
    }

    // Random pieces with random holes between them, each written to a file of its own.
    std::vector<Piece> Pieces(std::mt19937& rng, std::uint32_t start, std::uint32_t span,
                              const std::string& prefix) {
        std::vector<Piece> pieces;
        std::uint32_t at = start + Draw(rng) % 4096;
        const int count = 1 + static_cast<int>(Draw(rng) % 6);
        for (int i = 0; i < count; ++i) {
            const std::uint32_t left = start + span - at;
            if (left < 2)
                break;
            const std::uint32_t size = 1 + Draw(rng) % std::min<std::uint32_t>(left / 2, 20000);
            Piece p{at, std::vector<std::uint8_t>(size)};
            for (auto& b : p.bytes)
                b = static_cast<std::uint8_t>(Draw(rng));
            testing_support::WriteBytes(dir.File(prefix + std::to_string(i) + ".bin"), p.bytes);
            pieces.push_back(std::move(p));
            at += size + Draw(rng) % 30000;
            if (at >= start + span)
                break;
        }
        return pieces;
    }
};

std::string Hex(std::uint64_t v) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(v));
    return text;
}

TEST_F(ImageOracle, IntelHexAndSRecordFromSrecCat) {
    struct Variant {
        const char* output;  // srec_cat's output format
        const char* input;
        const char* name;
        Format format;
        int addressLength;  // bytes: 2 = 16-bit, 3 = 24-bit (segments for HEX), 4 = 32-bit
        std::uint32_t top;  // the addresses that width reaches
        int maxRecord;
    };
    const Variant variants[] = {
        {"-intel", "-intel", "img.hex", Format::IntelHex, 2, 0x10000, 255},
        {"-intel", "-intel", "img.ihx", Format::IntelHex, 3, 0x100000, 255},
        {"-intel", "-intel", "img.hex", Format::IntelHex, 4, 0, 255},
        {"-motorola", "-motorola", "img.s19", Format::SRecord, 2, 0x10000, 250},
        {"-motorola", "-motorola", "img.s28", Format::SRecord, 3, 0x1000000, 250},
        {"-motorola", "-motorola", "img.s37", Format::SRecord, 4, 0, 250},
    };
    for (std::uint32_t seed = 1; seed <= 8; ++seed) {
        for (const Variant& v : variants) {
            SCOPED_TRACE(std::string(v.name) + " with " + std::to_string(v.addressLength * 8) +
                         "-bit addresses, seed " + std::to_string(seed));
            std::mt19937 rng(seed * 31 + static_cast<std::uint32_t>(v.addressLength));
            const std::uint32_t span = v.top ? std::min<std::uint32_t>(v.top, 0x40000) : 0x100000;
            const std::uint32_t start =
                v.top ? (Draw(rng) % (v.top - span + 1)) & ~0xFu : Draw(rng) & 0xFFF00000u;
            const auto pieces = Pieces(rng, start, span, "p");
            std::string command = "srec_cat";
            for (std::size_t i = 0; i < pieces.size(); ++i) {
                command +=
                    " p" + std::to_string(i) + ".bin -binary -offset " + Hex(pieces[i].address);
            }
            const int record =
                1 + static_cast<int>(Draw(rng) % static_cast<std::uint32_t>(v.maxRecord));
            // With a start address srec_cat closes the file with an end record, without one
            // with a count.
            if (seed % 2 == 0)
                command += " -execution-start-address=" + Hex(pieces.front().address);
            command += std::string(" -o ") + v.name + " " + v.output +
                       " -address-length=" + std::to_string(v.addressLength) +
                       " -obs=" + std::to_string(record);
            ASSERT_NO_FATAL_FAILURE(Run(command));
            const std::string in = std::string("'(' ") + v.name + " " + v.input + " ')'";
            ASSERT_NO_FATAL_FAILURE(Run("srec_cat '(' " + in + " -fill 0xFF -over " + in +
                                        " ')' -offset - -minimum-addr " + in +
                                        " -o flat.bin -binary"));
            ExpectSameImage(v.name, "flat.bin", v.format);
        }
    }
}

TEST_F(ImageOracle, ElfFromLdAndObjcopy) {
    for (const char* bfd : {"elf32-little", "elf32-big", "elf64-little", "elf64-big"}) {
        for (std::uint32_t seed = 1; seed <= 3; ++seed) {
            SCOPED_TRACE(std::string(bfd) + ", seed " + std::to_string(seed));
            std::mt19937 rng(seed);
            auto pieces = Pieces(rng, 0x08000000, 0x80000, "s");
            // The segments in the file in another order than their addresses, each run at an
            // address of its own (p_vaddr) and loaded at another (p_paddr).
            std::shuffle(pieces.begin(), pieces.end(), rng);
            std::string phdrs = "PHDRS {", sections = "SECTIONS {\n", objects;
            for (std::size_t i = 0; i < pieces.size(); ++i) {
                const std::string n = std::to_string(i);
                std::string source = "s" + std::to_string(i) + ".bin";
                // Pieces() named the files in address order; the shuffle moved the pieces.
                for (std::size_t k = 0; k < pieces.size(); ++k) {
                    if (Read("s" + std::to_string(k) + ".bin") == pieces[i].bytes)
                        source = "s" + std::to_string(k) + ".bin";
                }
                ASSERT_NO_FATAL_FAILURE(Run(std::string("objcopy -I binary -O ") + bfd +
                                            " --rename-section .data=.d" + n +
                                            ",alloc,load,contents " + source + " o" + n + ".o"));
                phdrs += " p" + n + " PT_LOAD;";
                sections += "  .d" + n + " " + Hex(0x20000000 + 0x100000 * i) + " : AT(" +
                            Hex(pieces[i].address) + ") { o" + n + ".o(.d" + n + ") } :p" + n +
                            "\n";
                objects += " o" + n + ".o";
            }
            // Memory without file bytes (.bss) in the last segment is not programmed.
            sections += "  .bss : { . = . + 0x100; } :p" + std::to_string(pieces.size() - 1) +
                        "\n  /DISCARD/ : { *(*) }\n}\n";
            testing_support::WriteFile(dir.File("link.ld"), phdrs + " }\n" + sections);
            ASSERT_NO_FATAL_FAILURE(Run(std::string("ld --accept-unknown-input-arch -b ") + bfd +
                                        " --oformat " + bfd + " -T link.ld -o img.elf" + objects));
            ASSERT_NO_FATAL_FAILURE(Run(std::string("objcopy -I ") + bfd +
                                        " -O binary --gap-fill 0xff img.elf flat.bin"));
            ExpectSameImage("img.elf", "flat.bin", Format::Elf);
        }
    }
}

}  // namespace
