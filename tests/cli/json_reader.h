// A strict reader of one JSON value, for checking what kven-cli writes: any deviation from
// the grammar (RFC 8259) makes Parse return nothing. Numbers are kept as doubles.
//
// Threading: plain values and pure functions.
#pragma once

#include <cctype>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace testing_support {

struct JsonValue {
    using Object = std::map<std::string, JsonValue>;
    using Array = std::vector<JsonValue>;
    std::variant<std::nullptr_t, bool, double, std::string, std::shared_ptr<Array>,
                 std::shared_ptr<Object>>
        value;

    bool IsNull() const { return std::holds_alternative<std::nullptr_t>(value); }
    const std::string& Str() const { return std::get<std::string>(value); }
    double Num() const { return std::get<double>(value); }
    const Object& Obj() const { return *std::get<std::shared_ptr<Object>>(value); }
    const Array& Arr() const { return *std::get<std::shared_ptr<Array>>(value); }
    bool Has(const std::string& key) const { return Obj().count(key) != 0; }
    const JsonValue& operator[](const std::string& key) const { return Obj().at(key); }
};

class JsonReader {
  public:
    // The value that `text` holds entirely (surrounding blanks allowed), or nothing.
    static std::optional<JsonValue> Parse(std::string_view text) {
        JsonReader r(text);
        auto v = r.Value();
        r.Blanks();
        if (!v || r.pos_ != text.size())
            return std::nullopt;
        return v;
    }

  private:
    explicit JsonReader(std::string_view text) : s_(text) {}

    void Blanks() {
        while (pos_ < s_.size() &&
               (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == '\n' || s_[pos_] == '\r'))
            ++pos_;
    }
    bool Take(char c) {
        Blanks();
        if (pos_ < s_.size() && s_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }
    bool Word(std::string_view w) {
        if (s_.substr(pos_, w.size()) != w)
            return false;
        pos_ += w.size();
        return true;
    }

    std::optional<JsonValue> Value() {
        Blanks();
        if (pos_ >= s_.size())
            return std::nullopt;
        const char c = s_[pos_];
        if (c == '{')
            return ObjectValue();
        if (c == '[')
            return ArrayValue();
        if (c == '"') {
            auto str = String();
            return str ? std::optional<JsonValue>(JsonValue{*str}) : std::nullopt;
        }
        if (Word("null"))
            return JsonValue{nullptr};
        if (Word("true"))
            return JsonValue{true};
        if (Word("false"))
            return JsonValue{false};
        return Number();
    }

    std::optional<JsonValue> Number() {
        const std::size_t start = pos_;
        if (pos_ < s_.size() && s_[pos_] == '-')
            ++pos_;
        const auto digits = [&] {
            const std::size_t from = pos_;
            while (pos_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[pos_])))
                ++pos_;
            return pos_ - from;
        };
        const std::size_t intStart = pos_;
        const std::size_t intDigits = digits();
        if (intDigits == 0 || (intDigits > 1 && s_[intStart] == '0'))
            return std::nullopt;
        if (pos_ < s_.size() && s_[pos_] == '.' && (++pos_, digits() == 0))
            return std::nullopt;
        if (pos_ < s_.size() && (s_[pos_] == 'e' || s_[pos_] == 'E')) {
            ++pos_;
            if (pos_ < s_.size() && (s_[pos_] == '+' || s_[pos_] == '-'))
                ++pos_;
            if (digits() == 0)
                return std::nullopt;
        }
        return JsonValue{std::strtod(std::string(s_.substr(start, pos_ - start)).c_str(), nullptr)};
    }

    std::optional<std::string> String() {
        if (!Take('"'))
            return std::nullopt;
        std::string out;
        while (pos_ < s_.size()) {
            const char c = s_[pos_++];
            if (c == '"')
                return out;
            if (static_cast<unsigned char>(c) < 0x20)
                return std::nullopt;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (pos_ >= s_.size())
                return std::nullopt;
            const char e = s_[pos_++];
            static constexpr std::string_view kPlain = "\"\\/bfnrt";
            static constexpr std::string_view kMeaning = "\"\\/\b\f\n\r\t";
            if (const auto k = kPlain.find(e); k != std::string_view::npos) {
                out += kMeaning[k];
            } else if (e == 'u' && pos_ + 4 <= s_.size() &&
                       s_.substr(pos_, 4).find_first_not_of("0123456789abcdefABCDEF") ==
                           std::string_view::npos) {
                out += "\\u" + std::string(s_.substr(pos_, 4));  // kept escaped
                pos_ += 4;
            } else {
                return std::nullopt;
            }
        }
        return std::nullopt;
    }

    std::optional<JsonValue> ArrayValue() {
        Take('[');
        auto array = std::make_shared<JsonValue::Array>();
        if (Take(']'))
            return JsonValue{array};
        do {
            auto v = Value();
            if (!v)
                return std::nullopt;
            array->push_back(std::move(*v));
        } while (Take(','));
        return Take(']') ? std::optional<JsonValue>(JsonValue{array}) : std::nullopt;
    }

    std::optional<JsonValue> ObjectValue() {
        Take('{');
        auto object = std::make_shared<JsonValue::Object>();
        if (Take('}'))
            return JsonValue{object};
        do {
            Blanks();
            auto key = String();
            if (!key || !Take(':'))
                return std::nullopt;
            auto v = Value();
            if (!v || !object->emplace(*key, std::move(*v)).second)
                return std::nullopt;  // a repeated key is a fault here
        } while (Take(','));
        return Take('}') ? std::optional<JsonValue>(JsonValue{object}) : std::nullopt;
    }

    std::string_view s_;
    std::size_t pos_ = 0;
};

}  // namespace testing_support
