// Profile (INI) files with the semantics of the Windows profile functions.
//
// Section and key names match without regard to case; blanks around names and values are
// trimmed; other sections, keys and comments are kept as they are; a new key goes at the end
// of its section, a new section at the end of the file. CRLF and LF are both read; a file is
// written with the line ending it was read with (LF for a new file).
//
// Threading: an IniFile is a plain value, used by one thread at a time. The free functions
// touch only the file they name.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class IniFile {
  public:
    // Parses `text`.
    static IniFile Parse(std::string_view text);
    // Reads `path`; a missing or unreadable file gives an empty profile.
    static IniFile Load(const std::string& path);

    std::optional<std::string> Get(std::string_view section, std::string_view key) const;
    // False, changing nothing, when a name or the value holds a CR or LF: a line break would
    // split the line and move the keys after it into whatever the rest says.
    bool Set(std::string_view section, std::string_view key, std::string_view value);
    // The keys of `section` in file order, with their values.
    std::vector<std::pair<std::string, std::string>> Entries(std::string_view section) const;

    std::string Text() const;
    // Replaces `path` atomically. Returns false when it cannot be written.
    bool Save(const std::string& path) const;

  private:
    std::vector<std::string> lines_;
    bool crlf_ = false;
};

// Integer rule of GetPrivateProfileInt: optional blanks and sign, then leading decimal digits
// (none: 0), wrapping at 32 bits.
std::int32_t ParseProfileInt(std::string_view value);

// GetPrivateProfileInt / GetPrivateProfileString / WritePrivateProfileString.
std::int32_t GetPrivateProfileInt(std::string_view section, std::string_view key, std::int32_t def,
                                  const std::string& path);
// At most `maxChars` characters of the value are returned.
std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view def, std::size_t maxChars,
                                    const std::string& path);
// False, leaving the file untouched, for a value with a line break (see IniFile::Set).
bool WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, const std::string& path);

}  // namespace platform
