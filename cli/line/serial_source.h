// Where each board's serial number comes from, and the numbers used up. A board takes the next
// number when its job is prepared and gives it back when it does not succeed, so a number is
// used up only by a board that succeeded, and the next board gets it.
//
// With --serial-state FILE the numbers are kept in FILE: the next number (for a list, how many
// of its values were taken), and on a second line the numbers given back out of order
// ("returned 1003 1005"). Every change is made under a lock on FILE.lock and written
// atomically, so the processes of several ports, or several kven-cli, share one FILE without
// ever giving two boards one number. A number is taken in the file before its board is
// programmed: a process killed half-way leaves a gap, never a duplicate.
//
// Threading: one thread per source.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "cli/line/serial_numbers.h"

namespace cli {

class SerialSource {
  public:
    // Reads the list file, if the plan names one; nothing, with the reason in *error, when it
    // cannot be read or a line is no value of the plan's width.
    static std::unique_ptr<SerialSource> Open(const SerialPlan& plan, std::string* error);

    struct Taken {
        std::uint64_t position = 0;  // the counter's value, or the list's index
        SerialValue value;
    };
    // The next board's number; nothing, with the reason in *error, when the list is used up,
    // the number does not fit the width, or the state file cannot be read or written.
    std::optional<Taken> Take(std::string* error);
    // The board did not succeed: its number goes to the next board. False, with *error, when
    // the state file cannot be written.
    bool GiveBack(const Taken& taken, std::string* error);

  private:
    struct State {
        std::uint64_t next = 0;
        std::set<std::uint64_t> returned;
    };
    explicit SerialSource(const SerialPlan& plan) : plan_(plan) {}
    std::uint64_t Step() const { return plan_.file.empty() ? plan_.step : 1; }
    std::optional<SerialValue> ValueAt(std::uint64_t position, std::string* error) const;
    bool Load(State& state, std::string* error) const;
    bool Store(const State& state, std::string* error) const;
    // Runs `change` on the state, under the state file's lock when there is one.
    template <typename F>
    bool Update(F change, std::string* error);

    SerialPlan plan_;
    std::vector<std::vector<std::uint8_t>> list_;
    State memory_;  // the state when no file keeps it
};

// The state file's text for `next` and `returned`, and back; the parser refuses anything else.
std::string SerialStateText(std::uint64_t next, const std::set<std::uint64_t>& returned);
bool ParseSerialState(std::string_view text, std::uint64_t& next,
                      std::set<std::uint64_t>& returned);

}  // namespace cli
