#include "image/error.h"

#include <algorithm>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>

namespace image {

std::string OriginText(Origin origin) {
    switch (origin.kind) {
        case Origin::Kind::Line:
            return "line " + std::to_string(origin.number);
        case Origin::Kind::Segment:
            return "segment " + std::to_string(origin.number);
        case Origin::Kind::File:
            break;
    }
    return {};
}

std::string ErrorText(std::string_view path, const ImageError& error) {
    std::string text(path);
    text += ": ";
    if (const std::string where = OriginText(error.origin); !where.empty())
        text += where + ": ";
    return text + error.what;
}

std::string Printf(const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return n < 0 ? std::string() : std::string(text, std::min<std::size_t>(n, sizeof text - 1));
}

std::string Address(std::uint64_t address) {
    return Printf("0x%08" PRIX64, address);
}

}  // namespace image
