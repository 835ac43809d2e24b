#include "cli/line/serial_source.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/file_io.h"
#include "platform/file_lock.h"

namespace cli {
namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

bool ParseNumber(std::string_view text, std::uint64_t& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && ec == std::errc() && end == text.data() + text.size();
}

// The next word of `rest`, blanks skipped.
std::string_view Word(std::string_view& rest) {
    rest = Trim(rest);
    const auto blank = rest.find_first_of(" \t");
    const std::string_view word = rest.substr(0, blank);
    rest = blank == std::string_view::npos ? std::string_view{} : rest.substr(blank);
    return word;
}

}  // namespace

std::string SerialStateText(std::uint64_t next, const std::set<std::uint64_t>& returned) {
    std::string text = std::to_string(next) + "\n";
    if (!returned.empty()) {
        text += "returned";
        for (const std::uint64_t n : returned)
            text += " " + std::to_string(n);
        text += "\n";
    }
    return text;
}

bool ParseSerialState(std::string_view text, std::uint64_t& next,
                      std::set<std::uint64_t>& returned) {
    returned.clear();
    std::istringstream lines{std::string(text)};
    std::string line;
    int index = 0;
    while (std::getline(lines, line)) {
        std::string_view rest = Trim(line);
        if (rest.empty())
            continue;
        if (index++ == 0) {
            if (!ParseNumber(rest, next))
                return false;
            continue;
        }
        if (index > 2 || Word(rest) != "returned")
            return false;
        for (std::string_view word = Word(rest); !word.empty(); word = Word(rest)) {
            std::uint64_t n = 0;
            if (!ParseNumber(word, n))
                return false;
            returned.insert(n);
        }
    }
    return index > 0;
}

std::unique_ptr<SerialSource> SerialSource::Open(const SerialPlan& plan, std::string* error) {
    std::unique_ptr<SerialSource> source(new SerialSource(plan));
    source->memory_.next = plan.file.empty() ? plan.start : 0;
    if (plan.file.empty())
        return source;
    std::ifstream in(plan.file);
    if (!in) {
        *error = "cannot read the serial list " + plan.file;
        return nullptr;
    }
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const std::string_view text = Trim(line);
        if (text.empty() || text.starts_with('#'))
            continue;
        const auto bytes = ParseHexBytes(text);
        if (!bytes || bytes->size() != plan.width) {
            *error = plan.file + ":" + std::to_string(number) + ": '" + std::string(text) +
                     "' is not " + std::to_string(plan.width) + " bytes in hex";
            return nullptr;
        }
        source->list_.push_back(*bytes);
    }
    return source;
}

std::optional<SerialValue> SerialSource::ValueAt(std::uint64_t position, std::string* error) const {
    if (!plan_.file.empty()) {
        if (position >= list_.size()) {
            *error = "the serial list " + plan_.file + " is used up: its " +
                     std::to_string(list_.size()) + " values have all been taken";
            return std::nullopt;
        }
        return SerialValue{HexText(list_[position]), plan_.address, list_[position]};
    }
    auto bytes = EncodeSerial(position, plan_.format, plan_.width);
    if (!bytes) {
        *error =
            "the serial number " + std::to_string(position) + " does not fit in " +
            std::to_string(plan_.width) +
            (plan_.format == SerialFormat::Decimal || plan_.format == SerialFormat::Hex ? " digits"
                                                                                        : " bytes");
        return std::nullopt;
    }
    return SerialValue{std::to_string(position), plan_.address, std::move(*bytes)};
}

bool SerialSource::Load(State& state, std::string* error) const {
    std::error_code ec;
    if (!std::filesystem::exists(plan_.state, ec) && !ec) {
        // No file yet: the first run starts where the options say.
        state = State{plan_.file.empty() ? plan_.start : 0, {}};
        return true;
    }
    // A file that is there but cannot be read must not start the numbers over.
    std::ifstream in(plan_.state, std::ios::binary);
    if (!in) {
        *error = "cannot read the serial state " + plan_.state;
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (!ParseSerialState(text.str(), state.next, state.returned)) {
        *error = plan_.state +
                 " does not hold a serial state (the next number, then maybe a "
                 "line \"returned N ...\")";
        return false;
    }
    return true;
}

bool SerialSource::Store(const State& state, std::string* error) const {
    const std::string text = SerialStateText(state.next, state.returned);
    if (!platform::WriteFileAtomically(
            plan_.state,
            std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()))) {
        *error = "cannot write the serial state " + plan_.state;
        return false;
    }
    return true;
}

template <typename F>
bool SerialSource::Update(F change, std::string* error) {
    if (plan_.state.empty())
        return change(memory_);
    const auto lock = platform::FileLock::Acquire(plan_.state + ".lock", error);
    if (!lock)
        return false;
    State state;
    if (!Load(state, error))
        return false;
    return change(state) && Store(state, error);
}

std::optional<SerialSource::Taken> SerialSource::Take(std::string* error) {
    std::optional<Taken> taken;
    const bool ok = Update(
        [&](State& state) {
            // Numbers given back go first, the lowest first.
            const bool reuse = !state.returned.empty();
            const std::uint64_t position = reuse ? *state.returned.begin() : state.next;
            auto value = ValueAt(position, error);
            if (!value)
                return false;
            if (reuse) {
                state.returned.erase(state.returned.begin());
            } else if (state.next > UINT64_MAX - Step()) {
                *error = "the serial numbers have run past 2^64";
                return false;
            } else {
                state.next += Step();
            }
            taken = Taken{position, std::move(*value)};
            return true;
        },
        error);
    return ok ? taken : std::nullopt;
}

bool SerialSource::GiveBack(const Taken& taken, std::string* error) {
    return Update(
        [&](State& state) {
            // The last number taken simply becomes the next again; one taken before others
            // (by another port) waits among the returned.
            if (state.next >= Step() && taken.position == state.next - Step()) {
                state.next = taken.position;
            } else {
                state.returned.insert(taken.position);
            }
            return true;
        },
        error);
}

}  // namespace cli
