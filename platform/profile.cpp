#include "platform/profile.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/file_io.h"

namespace platform {
namespace {

std::string_view Trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) {
                   return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
               };
               return lower(x) == lower(y);
           });
}

// "[name]" gives name; anything else nothing.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = Trim(line);
    if (line.size() < 2 || line.front() != '[')
        return std::nullopt;
    const auto close = line.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return Trim(line.substr(1, close - 1));
}

// "key=value" gives key and value; comments and other lines nothing.
std::optional<std::pair<std::string_view, std::string_view>> KeyValue(std::string_view line) {
    const auto t = Trim(line);
    if (t.empty() || t.front() == ';' || t.front() == '[')
        return std::nullopt;
    const auto eq = line.find('=');
    if (eq == std::string_view::npos)
        return std::nullopt;
    return std::pair{Trim(line.substr(0, eq)), Trim(line.substr(eq + 1))};
}

}  // namespace

IniFile IniFile::Parse(std::string_view text) {
    IniFile ini;
    ini.crlf_ = text.find("\r\n") != std::string_view::npos;
    while (!text.empty()) {
        const auto nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        // An unterminated last line drops all its CRs: one left there would be written back
        // before the LF and turn a LF file into a CRLF one.
        while (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
            if (nl != std::string_view::npos)
                break;
        }
        ini.lines_.emplace_back(line);
        if (nl == std::string_view::npos)
            break;
        text.remove_prefix(nl + 1);
    }
    return ini;
}

IniFile IniFile::Load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return Parse(text);
}

std::optional<std::string> IniFile::Get(std::string_view section, std::string_view key) const {
    bool inSection = false;
    for (const std::string& line : lines_) {
        if (const auto name = SectionName(line)) {
            inSection = SameName(*name, section);
        } else if (inSection) {
            if (const auto kv = KeyValue(line); kv && SameName(kv->first, key)) {
                return std::string(kv->second);
            }
        }
    }
    return std::nullopt;
}

std::vector<std::pair<std::string, std::string>> IniFile::Entries(std::string_view section) const {
    std::vector<std::pair<std::string, std::string>> out;
    bool inSection = false;
    for (const std::string& line : lines_) {
        if (const auto name = SectionName(line)) {
            inSection = SameName(*name, section);
        } else if (inSection) {
            if (const auto kv = KeyValue(line))
                out.emplace_back(kv->first, kv->second);
        }
    }
    return out;
}

bool IniFile::Set(std::string_view section, std::string_view key, std::string_view value) {
    const auto breaksLine = [](std::string_view t) {
        return t.find_first_of("\r\n") != std::string_view::npos;
    };
    if (breaksLine(section) || breaksLine(key) || breaksLine(value))
        return false;
    std::string entry = std::string(Trim(key)) + "=" + std::string(value);
    bool inSection = false;
    std::optional<std::size_t> lastInSection;  // index after the section's last key line
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (const auto name = SectionName(lines_[i])) {
            inSection = SameName(*name, section);
            if (inSection)
                lastInSection = i + 1;
        } else if (inSection) {
            if (const auto kv = KeyValue(lines_[i])) {
                if (SameName(kv->first, key)) {
                    lines_[i] = std::move(entry);
                    return true;
                }
                lastInSection = i + 1;
            }
        }
    }
    if (lastInSection) {
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(*lastInSection),
                      std::move(entry));
        return true;
    }
    lines_.push_back("[" + std::string(section) + "]");
    lines_.push_back(std::move(entry));
    return true;
}

std::string IniFile::Text() const {
    std::string out;
    const char* eol = crlf_ ? "\r\n" : "\n";
    for (const std::string& line : lines_) {
        out += line;
        out += eol;
    }
    return out;
}

bool IniFile::Save(const std::string& path) const {
    const std::string text = Text();
    return WriteFileAtomically(
        path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

std::int32_t ParseProfileInt(std::string_view value) {
    value = Trim(value);
    bool negative = false;
    if (!value.empty() && (value.front() == '-' || value.front() == '+')) {
        negative = value.front() == '-';
        value.remove_prefix(1);
    }
    std::uint32_t n = 0;
    for (char c : value) {
        if (c < '0' || c > '9')
            break;
        n = n * 10u + static_cast<std::uint32_t>(c - '0');
    }
    if (negative)
        n = 0u - n;
    return static_cast<std::int32_t>(n);
}

std::int32_t GetPrivateProfileInt(std::string_view section, std::string_view key, std::int32_t def,
                                  const std::string& path) {
    const auto v = IniFile::Load(path).Get(section, key);
    return v ? ParseProfileInt(*v) : def;
}

std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view def, std::size_t maxChars,
                                    const std::string& path) {
    std::string v = IniFile::Load(path).Get(section, key).value_or(std::string(def));
    if (v.size() > maxChars)
        v.resize(maxChars);
    return v;
}

bool WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, const std::string& path) {
    IniFile ini = IniFile::Load(path);
    return ini.Set(section, key, value) && ini.Save(path);
}

}  // namespace platform
