// The INI reader fed arbitrary files: Parse, Get, Set and Text must agree with each other,
// and the settings loader must take any file.
//
// The first input byte picks where a test key goes; the rest is the file text. Checks:
//   - Text() is a fixed point after one round: parsing it again gives the same text;
//   - every entry Entries() lists is what Get() finds first for its key;
//   - after Set(section, key, value) with clean names, Get() returns the value trimmed, the
//     other sections' entries are unchanged, and the change survives a Text() round trip;
//   - LoadSettings() keeps every string setting within its length limit.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/profile.h"
#include "settings/app_settings.h"
#include "tests/support/temp_dir.h"

namespace {

using platform::IniFile;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "fuzz_ini: %s\n", what);
    std::abort();
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// A name that Set can write and Get can find again: no line breaks, no '=' or ']', not a
// comment or section line, no blanks around it.
std::string CleanName(std::string_view raw, const char* fallback) {
    std::string out;
    for (char c : raw) {
        if (c == '\r' || c == '\n' || c == '=' || c == ']' || c == '[' || c == ';')
            continue;
        out += c;
    }
    out = std::string(Trim(out));
    return out.empty() ? fallback : out;
}

std::string CleanValue(std::string_view raw) {
    std::string out;
    for (char c : raw) {
        if (c != '\r' && c != '\n')
            out += c;
    }
    return out;
}

bool SameName(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

// Get() finds the first entry of a key that Entries() lists.
void CheckEntriesAgree(const IniFile& ini, std::string_view section) {
    const auto entries = ini.Entries(section);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        bool first = true;
        for (std::size_t j = 0; j < i && first; ++j)
            first = !SameName(entries[j].first, entries[i].first);
        if (first && ini.Get(section, entries[i].first) != entries[i].second) {
            Fail("Get and Entries disagree");
        }
    }
}

struct Environment {
    testing_support::TempDir dir;
    std::string ini = dir.File("kven.INI");
};

// Set on a copy of `ini`: a value with a line break is refused and changes nothing; any other
// is read back, survives Text(), and leaves the other sections alone.
void CheckSet(const IniFile& ini, const std::string& section, const std::string& key,
              std::string_view rawValue, const std::string& value) {
    IniFile refused = ini;
    if (refused.Set(section, key, rawValue) != (rawValue == value))
        Fail("Set accepted a line break, or refused a value without one");
    if (rawValue != value && refused.Text() != ini.Text())
        Fail("a refused Set changed the file");

    IniFile changed = ini;
    changed.Set(section, key, value);
    if (changed.Get(section, key) != std::string(Trim(value)))
        Fail("Set then Get differs");
    if (IniFile::Parse(changed.Text()).Get(section, key) != std::string(Trim(value))) {
        Fail("a Set does not survive Text()");
    }
    for (std::string_view other : {"CURRENT", "PORTS", "S", "k"}) {
        if (!SameName(other, section) && ini.Entries(other) != changed.Entries(other)) {
            Fail("Set changed another section");
        }
    }
}

// The settings loader reads the file as the program does.
void CheckLoad(const Environment& env, std::string_view text) {
    std::FILE* f = std::fopen(env.ini.c_str(), "wb");
    if (!f)
        Fail("cannot write the INI file");
    if (!text.empty() && std::fwrite(text.data(), 1, text.size(), f) != text.size()) {
        Fail("short INI write");
    }
    std::fclose(f);
    AppSettings = {};
    AppSettings.iniPath = env.ini;
    LoadSettings();
    // Paths are kept whole, never cut.
    if (const auto stored = IniFile::Parse(text).Get(kSettingsSection, "TRANFILE");
        stored && *stored != AppSettings.tranFile) {
        Fail("TRANFILE not loaded as stored");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    static Environment env;
    const std::uint8_t selector = data[0];
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

    const IniFile ini = IniFile::Parse(text);
    const std::string once = ini.Text();
    if (IniFile::Parse(once).Text() != once)
        Fail("Text() is not stable across a round trip");

    // The test key's names come from the file itself (the line the selector points at), so
    // that Set meets existing sections and keys as often as new ones.
    const std::size_t cut = text.empty() ? 0 : selector % text.size();
    const std::string_view tail = text.substr(cut);
    const auto eq = tail.find('=');
    const std::string section = CleanName(tail.substr(0, selector % 7), "S");
    const std::string key = CleanName(tail.substr(0, eq == std::string_view::npos ? 3 : eq), "k");
    const std::string_view rawValue =
        eq == std::string_view::npos ? tail.substr(0, 5) : tail.substr(eq + 1, 9);
    const std::string value = CleanValue(rawValue);
    CheckEntriesAgree(ini, section);
    CheckEntriesAgree(ini, kSettingsSection);

    CheckSet(ini, section, key, rawValue, value);
    CheckLoad(env, text);
    return 0;
}
