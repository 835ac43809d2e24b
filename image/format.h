// The image formats Kven reads, how a file's name chooses one, and how its first bytes confirm
// it.
//
// Threading: constant data and pure functions.
#pragma once

#include <optional>
#include <span>
#include <string_view>

namespace image {

enum class Format { Raw, IntelHex, SRecord, Elf };

// "raw", "hex", "srec", "elf": the names kven-cli's --format and its JSON use.
std::string_view FormatKey(Format format);
std::optional<Format> FormatFromKey(std::string_view key);

// "raw binary", "Intel HEX", "Motorola S-record", "ELF": for people.
std::string_view FormatTitle(Format format);

// The format a file's name says (its extension, in any case): .hex .ihex .ihx, .s19 .s28 .s37
// .srec .mot, .elf .axf; any other name is a raw binary.
Format FormatForName(std::string_view path);

// Whether `head`, the first bytes of a file, can begin an image of `format`: the ELF magic, or
// ':' (Intel HEX) or 'S' (S-record) as the first character after blank lines. Always true for
// a raw binary.
bool ContentConfirms(Format format, std::span<const std::uint8_t> head);

// How many of a file's first bytes the confirmation looks at: blank lines beyond them leave
// the format unconfirmed.
inline constexpr std::size_t kConfirmBytes = 4096;

}  // namespace image
