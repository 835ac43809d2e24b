#include "ui/core/job_texts.h"

#include <cstdio>

namespace ui {
namespace {

// One UTF-16 code unit as UTF-8.
std::string Utf8(std::uint16_t unit) {
    if (unit == 0)
        return {};
    const unsigned c = unit >= 0xD800 && unit <= 0xDFFF ? 0xFFFDu : unit;
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

}  // namespace

std::string PositionText(std::int32_t position, std::int32_t total) {
    char text[32];
    std::snprintf(text, sizeof text, "%8d/%8d", position, total);
    return text;
}

std::string VersionText(std::uint16_t version, std::uint16_t letter, std::uint16_t packetSize) {
    char head[16];
    char tail[16];
    std::snprintf(head, sizeof head, "LD Ver: V%04X-", static_cast<unsigned>(version));
    std::snprintf(tail, sizeof tail, "-%u", static_cast<unsigned>(packetSize));
    return head + Utf8(letter) + tail;
}

std::string ChecksumText(std::uint16_t checksum) {
    char text[24];
    std::snprintf(text, sizeof text, "CheckSum: %04X", static_cast<unsigned>(checksum));
    return text;
}

}  // namespace ui
