// A JSON object written field by field, for --json and the job log.
//
// Threading: plain values; not shared.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace cli {

// `text` as a JSON string, quotes included. Bytes that are not UTF-8 become U+FFFD, so that a
// file name of any encoding still gives valid JSON.
std::string JsonString(std::string_view text);

class JsonObject {
  public:
    JsonObject& String(std::string_view key, std::string_view value);
    JsonObject& Int(std::string_view key, std::int64_t value);
    JsonObject& Fixed(std::string_view key, double value, int decimals);
    // A value that is already JSON: an object, an array or null.
    JsonObject& Raw(std::string_view key, std::string_view json);

    // The object on one line, without a newline.
    std::string Text() const { return text_ + "}"; }

  private:
    void Key(std::string_view key);
    std::string text_ = "{";
};

}  // namespace cli
