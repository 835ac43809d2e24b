#include "sim/loader_session.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "sim/pacer.h"

namespace sim {

namespace {

constexpr std::size_t kLinkLength = 6;
constexpr std::array<std::uint8_t, kLinkLength> kLinkRequest{0xC9, 0xDD, 0x55, 0xAA, 0x00, 0xC9};
constexpr std::uint8_t kProgramKey = 0xDD;
constexpr std::uint8_t kEepSumKey = 0x22;
constexpr std::size_t kInfoLength = 32;

bool LinkByteMatches(std::size_t position, std::uint8_t byte) {
    if (position == 4) {
        return byte == kProgramKey || byte == kEepSumKey;
    }
    return byte == kLinkRequest.at(position);
}

Mode ModeOfKey(std::uint8_t key) {
    return key == kProgramKey ? Mode::Program : Mode::EepSum;
}

std::uint32_t LittleEndian(std::span<const std::uint8_t, 4> b) {
    return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
           static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

std::uint8_t Not(std::uint8_t b) {
    return static_cast<std::uint8_t>(~b);
}

// The wrong version of each reply, made from the right one: a broken complement, a swapped
// two-byte code, a changed echo, or an acknowledgement that is not AA.
void Spoil(Step step, std::vector<std::uint8_t>& reply) {
    switch (step) {
        case Step::Link:
            reply[3] ^= 0x01;  // r3 no longer ~r1
            break;
        case Step::Info:
            reply[1] ^= 0x01;  // byte 1 no longer ~byte 0
            break;
        case Step::Length:
        case Step::Count:
            reply[0] ^= 0x01;
            break;
        case Step::Ack:
        case Step::SumAck:
            reply.back() = 0x55;
            break;
        default:  // AA 55 <-> 55 AA at the end of the reply
            std::swap(reply[reply.size() - 2], reply[reply.size() - 1]);
            break;
    }
}

}  // namespace

std::optional<Mode> LinkMatcher::Feed(std::uint8_t byte) {
    std::shift_left(window_.begin(), window_.end(), 1);
    window_.back() = byte;
    seen_ = std::min(seen_ + 1, kLinkLength);
    bool match = seen_ == kLinkLength;
    for (std::size_t i = 0; match && i < kLinkLength; ++i) {
        match = LinkByteMatches(i, window_[i]);
    }
    if (!match) {
        return std::nullopt;
    }
    return ModeOfKey(window_[4]);
}

LinkWait WaitForLink(Line& line) {
    LinkMatcher matcher;
    for (;;) {
        std::uint8_t byte = 0;
        const auto status = line.ReadByte(byte, Line::Clock::time_point::max());
        if (status != Line::Status::Ok) {
            return {status, Mode::Program};
        }
        if (const auto mode = matcher.Feed(byte)) {
            return {Line::Status::Ok, *mode};
        }
    }
}

struct LoaderSession::Transfer {
    Step ack;
    Step end;
    Step readBack;
    Phase receiving;
    Phase done;
    bool flash;  // stored with flash semantics: programming only clears bits
};

LoaderSession::LoaderSession(const LoaderConfig& config, std::vector<std::uint8_t>& flash,
                             Line& line)
    : config_(config), flash_(flash), line_(line) {
    // Long enough that a paced host's next byte always comes sooner.
    quietGap_ = std::max<Line::Clock::duration>(std::chrono::milliseconds(100),
                                                Pacer::WireTime(4, config.baud));
}

SessionResult LoaderSession::Run(Mode mode) {
    started_ = Line::Clock::now();
    result_.lastByte = started_;
    result_.mode = mode;
    result_.bytesIn = kLinkLength;

    const std::uint8_t r0 = static_cast<std::uint8_t>(config_.versionWord >> 8);
    const std::uint8_t r1 = static_cast<std::uint8_t>(config_.versionWord & 0xFF);
    const std::uint8_t letter = config_.letter;
    const std::uint8_t size = config_.packetSize;
    if (!Reply(Step::Link, 0, {r0, r1, Not(r0), Not(r1), letter, Not(letter), size, Not(size)})) {
        return Finish();
    }
    if (letter == 'e' || letter == 'd') {
        std::vector<std::uint8_t> info(kInfoLength, 0);
        info[0] = config_.eraseUnits;
        info[1] = Not(config_.eraseUnits);
        if (!Reply(Step::Info, 0, std::move(info))) {
            return Finish();
        }
    }
    result_.phase = Phase::Linked;
    if (mode == Mode::Program && !Program()) {
        return Finish();
    }
    if (ChecksumTable()) {
        result_.ending = Ending::Complete;
    }
    return Finish();
}

bool LoaderSession::Program() {
    if (!Reply(Step::EraseBegin, 0, {0xAA, 0x55})) {
        return false;
    }
    result_.phase = Phase::Erasing;
    std::fill(flash_.begin(), flash_.end(), std::uint8_t{0xFF});
    const auto erase = std::chrono::duration<double>(2.0 * config_.eraseUnits * config_.eraseScale);
    if (const auto st = line_.Pause(std::chrono::duration_cast<Line::Clock::duration>(erase));
        st != Line::Status::Ok) {
        return EndOn(st);
    }
    if (!Reply(Step::EraseDone, 0, {0x55, 0xAA})) {
        return false;
    }
    result_.phase = Phase::Erased;

    std::array<std::uint8_t, 4> length{};
    if (!Receive(length)) {
        return false;
    }
    result_.length = LittleEndian(length);
    if (!Reply(Step::Length, 0, {length.begin(), length.end()})) {
        return false;
    }
    result_.phase = Phase::LengthEchoed;
    static constexpr Transfer kImage{Step::Ack,    Step::End,        Step::ReadBack,
                                     Phase::Image, Phase::ImageDone, true};
    return RunTransfer(kImage, flash_, result_.length, result_.imagePackets);
}

bool LoaderSession::ChecksumTable() {
    if (!Reply(Step::SumLink, 0, {0xAA, 0x55})) {
        return false;
    }
    result_.phase = Phase::SumReady;
    std::array<std::uint8_t, 4> count{};
    if (!Receive(count)) {
        return false;
    }
    result_.count = LittleEndian(count);
    result_.sums.assign(std::min<std::size_t>(result_.count, kFlashSize), std::uint8_t{0xFF});
    if (!Reply(Step::Count, 0, {count.begin(), count.end()})) {
        return false;
    }
    result_.phase = Phase::CountEchoed;
    static constexpr Transfer kTable{Step::SumAck,    Step::SumEnd,    Step::SumReadBack,
                                     Phase::Checksum, Phase::Complete, false};
    return RunTransfer(kTable, result_.sums, result_.count, result_.sumPackets);
}

// Packets of packetSize bytes (the last may be shorter) until `total`: packets 1 and 2 are
// answered with AA, packet n >= 3 with the read-back of packet n - 2 and AA; the end message
// carries the read-back still owed and AA 55. Bytes beyond `store` are dropped and read back
// as FF.
bool LoaderSession::RunTransfer(const Transfer& kind, std::span<std::uint8_t> store,
                                std::uint32_t total, std::uint32_t& packets) {
    const std::size_t packetSize = config_.packetSize;
    std::vector<std::uint8_t> packet(packetSize);
    std::uint32_t n = 0;
    for (std::size_t offset = 0; offset < total; offset += packetSize) {
        const auto data = std::span(packet).first(std::min(packetSize, total - offset));
        if (!Receive(data)) {
            return false;
        }
        ++n;
        ++packets;
        result_.phase = kind.receiving;
        for (std::size_t i = 0; i < data.size() && offset + i < store.size(); ++i) {
            store[offset + i] = kind.flash ? (store[offset + i] & data[i]) : data[i];
        }
        std::vector<std::uint8_t> reply;
        if (n >= 3) {
            AppendReadBack(reply, kind, store, total, n - 2);
        }
        reply.push_back(0xAA);
        if (!Reply(kind.ack, n, std::move(reply))) {
            return false;
        }
    }
    std::vector<std::uint8_t> end;
    for (std::uint32_t owed = n >= 2 ? n - 1 : n; owed >= 1 && owed <= n; ++owed) {
        AppendReadBack(end, kind, store, total, owed);
    }
    end.push_back(0xAA);
    end.push_back(0x55);
    if (!Reply(kind.end, 0, std::move(end))) {
        return false;
    }
    result_.phase = kind.done;
    return true;
}

void LoaderSession::AppendReadBack(std::vector<std::uint8_t>& reply, const Transfer& kind,
                                   std::span<const std::uint8_t> store, std::uint32_t total,
                                   std::uint32_t packet) {
    const std::size_t packetSize = config_.packetSize;
    const std::size_t offset = (packet - 1) * packetSize;
    const std::size_t length = std::min(packetSize, total - offset);
    const std::size_t first = reply.size();
    for (std::size_t i = offset; i < offset + length; ++i) {
        reply.push_back(i < store.size() ? store[i] : std::uint8_t{0xFF});
    }
    if (const Fault* fault = FindCorruption(config_.faults, kind.readBack, packet)) {
        reply[first] ^= 0x5A;
        pendingFault_ = fault;
    }
}

bool LoaderSession::Reply(Step step, std::uint32_t packet, std::vector<std::uint8_t> bytes) {
    const Fault* fault = FindStepFault(config_.faults, step, packet);
    if (fault != nullptr && fault->kind == FaultKind::Silent) {
        return End(Ending::Faulted, fault);
    }
    if (fault != nullptr && fault->kind == FaultKind::HangUp) {
        return End(Ending::HungUp, fault);
    }
    if (fault != nullptr) {
        Spoil(step, bytes);
    }
    if (!Send(bytes)) {
        return false;
    }
    // The host gives up on a wrong reply, except on a bad information block.
    if (fault != nullptr && step != Step::Info) {
        return End(Ending::Faulted, fault);
    }
    if (pendingFault_ != nullptr) {
        return End(Ending::Faulted, std::exchange(pendingFault_, nullptr));
    }
    return true;
}

bool LoaderSession::Send(std::span<const std::uint8_t> bytes) {
    burstLength_ = 0;
    const auto status = line_.Write(bytes);
    if (status != Line::Status::Ok) {
        return EndOn(status);
    }
    result_.bytesOut += bytes.size();
    result_.lastByte = Line::Clock::now();
    return true;
}

bool LoaderSession::Receive(std::span<std::uint8_t> out) {
    auto lastByte = Line::Clock::now();
    for (std::size_t got = 0; got < out.size();) {
        if (!lookahead_.empty()) {
            out[got++] = lookahead_.front();
            lookahead_.pop_front();
            continue;
        }
        const auto idleEnd = lastByte + config_.idleTimeout;
        const auto deadline =
            BurstEndsWithLink() ? std::min(idleEnd, lastByte + quietGap_) : idleEnd;
        std::uint8_t byte = 0;
        const auto status = line_.ReadByte(byte, deadline);
        if (status == Line::Status::Ok) {
            Track(byte);
            out[got++] = byte;
            lastByte = Line::Clock::now();
            result_.lastByte = lastByte;
            continue;
        }
        if (status != Line::Status::Timeout) {
            return EndOn(status);
        }
        if (BurstEndsWithLink()) {
            nextMode_ = ModeOfKey(tail_[4]);
            return End(Ending::Resync);
        }
        if (Line::Clock::now() >= idleEnd) {
            return End(Ending::Idle);
        }
    }
    return !StartsOver();
}

// A short message (a length, a count, a small packet) that is the start of a link request may
// be a new host starting over: look a little further before taking it as data. True when the
// session is over.
bool LoaderSession::StartsOver() {
    while (BurstIsLinkStart() && burstLength_ < kLinkLength) {
        std::uint8_t byte = 0;
        const auto status = line_.ReadByte(byte, Line::Clock::now() + quietGap_);
        if (status == Line::Status::Timeout) {
            return false;
        }
        if (status != Line::Status::Ok) {
            EndOn(status);
            return true;
        }
        Track(byte);
        result_.lastByte = Line::Clock::now();
        lookahead_.push_back(byte);
    }
    if (burstLength_ == kLinkLength && BurstIsLinkStart()) {
        lookahead_.clear();
        nextMode_ = ModeOfKey(tail_[4]);
        End(Ending::Resync);
        return true;
    }
    return false;
}

void LoaderSession::Track(std::uint8_t byte) {
    ++result_.bytesIn;
    std::shift_left(tail_.begin(), tail_.end(), 1);
    tail_.back() = byte;
    ++burstLength_;
}

bool LoaderSession::BurstEndsWithLink() const {
    if (burstLength_ < kLinkLength) {
        return false;
    }
    for (std::size_t i = 0; i < kLinkLength; ++i) {
        if (!LinkByteMatches(i, tail_[i])) {
            return false;
        }
    }
    return true;
}

bool LoaderSession::BurstIsLinkStart() const {
    if (burstLength_ == 0 || burstLength_ > kLinkLength) {
        return false;
    }
    for (std::size_t i = 0; i < burstLength_; ++i) {
        if (!LinkByteMatches(i, tail_[kLinkLength - burstLength_ + i])) {
            return false;
        }
    }
    return true;
}

bool LoaderSession::End(Ending ending, const Fault* fault) {
    result_.ending = ending;
    if (fault != nullptr) {
        result_.fault = *fault;
    }
    if (ending == Ending::Resync) {
        result_.bytesIn -= kLinkLength;  // those bytes open the next session
    }
    return false;
}

bool LoaderSession::EndOn(Line::Status status) {
    switch (status) {
        case Line::Status::Timeout:
            return End(Ending::Idle);
        case Line::Status::Stopped:
            return End(Ending::Stopped);
        default:
            return End(Ending::Broken);
    }
}

SessionResult LoaderSession::Finish() {
    result_.elapsed = Line::Clock::now() - started_;
    if (config_.baud > 0) {
        result_.wireSeconds = static_cast<double>(result_.bytesIn + result_.bytesOut) * 10.0 /
                              static_cast<double>(config_.baud);
    }
    result_.flash = std::make_shared<const std::vector<std::uint8_t>>(flash_);
    return std::move(result_);
}

}  // namespace sim
