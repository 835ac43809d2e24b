#include "cli/output/json.h"

#include <cmath>
#include <cstdio>

namespace cli {
namespace {

// Length of the valid UTF-8 sequence at the start of `s`, 0 when it is not one.
std::size_t Utf8Length(std::string_view s) {
    const auto b = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = b(0);
    std::size_t n = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        n = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        n = 3;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        n = 4;
    }
    if (n == 0 || s.size() < n)
        return 0;
    for (std::size_t i = 1; i < n; ++i) {
        if ((b(i) & 0xC0) != 0x80)
            return 0;
    }
    // No overlong forms, surrogates or code points past U+10FFFF.
    if ((lead == 0xE0 && b(1) < 0xA0) || (lead == 0xED && b(1) > 0x9F) ||
        (lead == 0xF0 && b(1) < 0x90) || (lead == 0xF4 && b(1) > 0x8F))
        return 0;
    return n;
}

}  // namespace

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else if (c >= 0x80) {
            const std::size_t n = Utf8Length(text.substr(i));
            out += n ? text.substr(i, n) : "\\ufffd";
            i += n ? n : 1;
            continue;
        } else {
            out += static_cast<char>(c);
        }
        ++i;
    }
    return out + "\"";
}

void JsonObject::Key(std::string_view key) {
    if (text_.size() > 1)
        text_ += ',';
    text_ += JsonString(key);
    text_ += ':';
}

JsonObject& JsonObject::String(std::string_view key, std::string_view value) {
    Key(key);
    text_ += JsonString(value);
    return *this;
}

JsonObject& JsonObject::Int(std::string_view key, std::int64_t value) {
    Key(key);
    text_ += std::to_string(value);
    return *this;
}

JsonObject& JsonObject::Fixed(std::string_view key, double value, int decimals) {
    Key(key);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, std::isfinite(value) ? value : 0.0);
    text_ += buf;
    return *this;
}

JsonObject& JsonObject::Raw(std::string_view key, std::string_view json) {
    Key(key);
    text_ += json;
    return *this;
}

}  // namespace cli
