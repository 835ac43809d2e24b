// The four choice tables of the line-settings lists. A row's index is its list index; its
// value is what the settings record stores.
//
// Threading: constant data.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace ui {

template <typename Value>
struct Choice {
    const char* text;
    Value value;
};

inline constexpr int kPortCount = 256;  // "COM1" .. "COM256"; index i is port i + 1

inline constexpr std::array<Choice<std::int32_t>, 15> BaudRateTable{{
    {"110", 110},
    {"300", 300},
    {"600", 600},
    {"1200", 1200},
    {"2400", 2400},
    {"4800", 4800},
    {"9600", 9600},
    {"14400", 14400},
    {"19200", 19200},
    {"38400", 38400},
    {"56000", 56000},
    {"57600", 57600},
    {"115200", 115200},
    {"128000", 128000},
    {"256000", 256000},
}};

inline constexpr std::array<Choice<std::uint8_t>, 5> DataBitsTable{{
    {"4", 4},
    {"5", 5},
    {"6", 6},
    {"7", 7},
    {"8", 8},
}};

// Win32 parity codes; the list order is not the code order.
inline constexpr std::array<Choice<std::uint8_t>, 5> ParityTable{{
    {"None", 0},
    {"Even", 2},
    {"Odd", 1},
    {"Mark", 3},
    {"Space", 4},
}};

// Win32 stop-bit codes.
inline constexpr std::array<Choice<std::uint8_t>, 3> StopBitsTable{{
    {"1", 0},
    {"1.5", 1},
    {"2", 2},
}};

// The value at list index `index`, or nothing when the index names no row (-1: no selection).
template <typename Value, std::size_t N>
constexpr std::optional<Value> ChoiceValue(const std::array<Choice<Value>, N>& table, int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= N)
        return std::nullopt;
    return table[static_cast<std::size_t>(index)].value;
}

}  // namespace ui
