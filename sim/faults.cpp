#include "sim/faults.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <utility>

namespace sim {

namespace {

struct StepText {
    Step step;
    std::string_view name;
    bool numbered;
};

constexpr std::array<StepText, 13> kSteps{{
    {Step::Link, "link", false},
    {Step::Info, "info", false},
    {Step::EraseBegin, "erase-begin", false},
    {Step::EraseDone, "erase-done", false},
    {Step::Length, "length", false},
    {Step::Ack, "ack", true},
    {Step::End, "end", false},
    {Step::SumLink, "sum-link", false},
    {Step::Count, "count", false},
    {Step::SumAck, "sum-ack", true},
    {Step::SumEnd, "sum-end", false},
    {Step::ReadBack, "readback", true},
    {Step::SumReadBack, "sum-readback", true},
}};

constexpr std::array<std::pair<FaultKind, std::string_view>, 5> kKinds{{
    {FaultKind::Silent, "silent"},
    {FaultKind::Bad, "bad"},
    {FaultKind::HangUp, "hangup"},
    {FaultKind::Corrupt, "corrupt"},
    {FaultKind::Dribble, "dribble"},
}};

bool IsReadBack(Step step) {
    return step == Step::ReadBack || step == Step::SumReadBack;
}

std::optional<std::uint32_t> ParseNumber(std::string_view text) {
    std::uint32_t value = 0;
    const auto* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end) {
        return std::nullopt;
    }
    return value;
}

std::optional<Fault> Reject(std::string* error, std::string message) {
    if (error != nullptr) {
        *error = std::move(message);
    }
    return std::nullopt;
}

std::string_view NextField(std::string_view& rest) {
    const auto colon = rest.find(':');
    const auto field = rest.substr(0, colon);
    rest = colon == std::string_view::npos ? std::string_view{} : rest.substr(colon + 1);
    return field;
}

}  // namespace

std::string_view StepName(Step step) {
    for (const auto& s : kSteps) {
        if (s.step == step) {
            return s.name;
        }
    }
    return "?";
}

std::optional<Fault> ParseFault(std::string_view text, std::string* error) {
    const auto at = text.rfind('@');
    if (at != std::string_view::npos) {
        const auto session = ParseNumber(text.substr(at + 1));
        if (!session || *session == 0 || text.find('@') != at) {
            return Reject(error, "a fault takes one @ and a session number from 1 in '" +
                                     std::string(text) + "'");
        }
        auto fault = ParseFault(text.substr(0, at), error);
        if (fault) {
            fault->session = *session;
        }
        return fault;
    }
    const std::string quoted = "'" + std::string(text) + "'";
    if (text == "bad-info") {
        return Fault{FaultKind::Bad, Step::Info, 0, 0};
    }
    const bool hasMore = text.find(':') != std::string_view::npos;
    std::string_view rest = text;
    const auto kindText = NextField(rest);
    const auto* kind = std::find_if(kKinds.begin(), kKinds.end(),
                                    [&](const auto& k) { return k.second == kindText; });
    if (kind == kKinds.end() || !hasMore) {
        return Reject(error,
                      "unknown fault " + quoted +
                          " (expected silent:, bad:, hangup:, corrupt:, dribble: or bad-info)");
    }
    Fault fault;
    fault.kind = kind->first;
    if (fault.kind == FaultKind::Dribble) {
        const auto ms = ParseNumber(rest);
        if (!ms || *ms == 0 || *ms > 60'000) {
            return Reject(error, "dribble needs a delay of 1 to 60000 ms in " + quoted);
        }
        fault.dribbleMs = *ms;
        return fault;
    }
    const auto stepText = NextField(rest);
    const auto* step = std::find_if(kSteps.begin(), kSteps.end(),
                                    [&](const StepText& s) { return s.name == stepText; });
    if (step == kSteps.end()) {
        return Reject(error, "unknown step in " + quoted);
    }
    fault.step = step->step;
    if ((fault.kind == FaultKind::Corrupt) != IsReadBack(fault.step)) {
        return Reject(error, fault.kind == FaultKind::Corrupt
                                 ? "corrupt takes readback:N or sum-readback:N in " + quoted
                                 : "readback steps go with corrupt only, in " + quoted);
    }
    if (step->numbered) {
        const auto n = ParseNumber(rest);
        if (!n || *n == 0) {
            return Reject(error, "step needs a packet number from 1 in " + quoted);
        }
        fault.packet = *n;
    } else if (!rest.empty() || text.back() == ':') {
        return Reject(error, "unexpected text after the step in " + quoted);
    }
    return fault;
}

std::string FormatFault(const Fault& fault) {
    if (fault.session != 0) {
        Fault every = fault;
        every.session = 0;
        return FormatFault(every) + "@" + std::to_string(fault.session);
    }
    std::string text;
    for (const auto& [kind, name] : kKinds) {
        if (kind == fault.kind) {
            text = name;
        }
    }
    if (fault.kind == FaultKind::Dribble) {
        return text + ":" + std::to_string(fault.dribbleMs);
    }
    text += ":";
    text += StepName(fault.step);
    for (const auto& s : kSteps) {
        if (s.step == fault.step && s.numbered) {
            text += ":" + std::to_string(fault.packet);
        }
    }
    return text;
}

const Fault* FindStepFault(std::span<const Fault> faults, Step step, std::uint32_t packet) {
    for (const auto& f : faults) {
        const bool kindMatches =
            f.kind == FaultKind::Silent || f.kind == FaultKind::Bad || f.kind == FaultKind::HangUp;
        if (kindMatches && f.step == step && f.packet == packet) {
            return &f;
        }
    }
    return nullptr;
}

const Fault* FindCorruption(std::span<const Fault> faults, Step step, std::uint32_t packet) {
    for (const auto& f : faults) {
        if (f.kind == FaultKind::Corrupt && f.step == step && f.packet == packet) {
            return &f;
        }
    }
    return nullptr;
}

std::vector<Fault> FaultsOfSession(std::span<const Fault> faults, std::uint32_t session) {
    std::vector<Fault> of;
    for (const auto& f : faults) {
        if (f.session == 0 || f.session == session) {
            of.push_back(f);
        }
    }
    return of;
}

std::uint32_t DribbleMs(std::span<const Fault> faults) {
    std::uint32_t ms = 0;
    for (const auto& f : faults) {
        if (f.kind == FaultKind::Dribble && f.dribbleMs > ms) {
            ms = f.dribbleMs;
        }
    }
    return ms;
}

}  // namespace sim
