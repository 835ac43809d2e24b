#include "image/format.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <utility>

namespace image {
namespace {

struct FormatNames {
    Format format;
    std::string_view key;
    std::string_view title;
};

constexpr std::array<FormatNames, 4> kNames{{
    {Format::Raw, "raw", "raw binary"},
    {Format::IntelHex, "hex", "Intel HEX"},
    {Format::SRecord, "srec", "Motorola S-record"},
    {Format::Elf, "elf", "ELF"},
}};

constexpr std::array<std::pair<std::string_view, Format>, 10> kExtensions{{
    {"hex", Format::IntelHex},
    {"ihex", Format::IntelHex},
    {"ihx", Format::IntelHex},
    {"s19", Format::SRecord},
    {"s28", Format::SRecord},
    {"s37", Format::SRecord},
    {"srec", Format::SRecord},
    {"mot", Format::SRecord},
    {"elf", Format::Elf},
    {"axf", Format::Elf},
}};

bool SameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const char c = a[i] >= 'A' && a[i] <= 'Z' ? char(a[i] - 'A' + 'a') : a[i];
        if (c != b[i])
            return false;
    }
    return true;
}

bool IsBlank(std::uint8_t c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

std::string_view FormatKey(Format format) {
    return kNames[static_cast<std::size_t>(format)].key;
}

std::optional<Format> FormatFromKey(std::string_view key) {
    for (const FormatNames& n : kNames) {
        if (n.key == key)
            return n.format;
    }
    return std::nullopt;
}

std::string_view FormatTitle(Format format) {
    return kNames[static_cast<std::size_t>(format)].title;
}

Format FormatForName(std::string_view path) {
    // The extension of the last path element only: "fw.hex/image" is no HEX file.
    const auto slash = path.find_last_of("/\\");
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return Format::Raw;
    const std::string_view extension = name.substr(dot + 1);
    for (const auto& [known, format] : kExtensions) {
        if (SameLetters(extension, known))
            return format;
    }
    return Format::Raw;
}

bool ContentConfirms(Format format, std::span<const std::uint8_t> head) {
    switch (format) {
        case Format::Raw:
            return true;
        case Format::Elf:
            return head.size() >= 4 && std::memcmp(head.data(),
                                                   "\x7f"
                                                   "ELF",
                                                   4) == 0;
        case Format::IntelHex:
        case Format::SRecord:
            for (std::uint8_t c : head) {
                if (!IsBlank(c))
                    return c == (format == Format::IntelHex ? ':' : 'S');
            }
            return false;
    }
    return false;
}

}  // namespace image
