// What is wrong with an image file, and where: the messages the readers give.
//
// Threading: plain values and pure functions.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace image {

// A place in a file: a line of a text image (from 1) or an ELF segment, numbered from 0 in the
// order of the program header table, as readelf numbers them.
struct Origin {
    enum class Kind : std::uint8_t { File, Line, Segment };
    Kind kind = Kind::File;
    std::uint64_t number = 0;

    static Origin Line(std::uint64_t n) { return {Kind::Line, n}; }
    static Origin Segment(std::uint64_t n) { return {Kind::Segment, n}; }
};

struct ImageError {
    Origin origin;
    std::string what;
};

// "fw.hex: line 12: checksum ..." or "fw.elf: segment 2: ..." or "fw.s19: ...".
std::string ErrorText(std::string_view path, const ImageError& error);

// "line 12", "segment 2"; empty for the whole file.
std::string OriginText(Origin origin);

// printf into a std::string, for the readers' messages (checked as the C library's printf is:
// MinGW's GCC otherwise checks against Microsoft's, which lacks %zu and %llu).
#if defined(__MINGW32__)
[[gnu::format(gnu_printf, 1, 2)]]
#else
[[gnu::format(printf, 1, 2)]]
#endif
std::string
Printf(const char* format, ...);

// "0x0800FFF0": an address, always 8 digits (more only when it does not fit).
std::string Address(std::uint64_t address);

}  // namespace image
