// Soak: back-to-back jobs over pseudo-terminals against the in-process simulator, with random
// faults and random line settings. Every 100 jobs it prints the open file descriptors, the
// threads, the resident memory and the jobs per result code; at the end, whether those
// figures stayed flat and whether every fault-free job succeeded.
//
//     kven_soak [jobs] [seed]        (defaults: 1000 jobs, seed 1)
//
// Exit status 0 when the figures stayed flat and no fault-free job failed.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "job/job_control.h"
#include "job/program_job.h"
#include "platform/com_ports.h"
#include "platform/message_box.h"
#include "settings/app_settings.h"
#include "sim/faults.h"
#include "sim/simulator.h"
#include "tests/support/recording_target.h"
#include "tests/support/temp_dir.h"
#include "ui/core/choice_tables.h"

namespace {

constexpr int kComNumber = 9;

struct Figures {
    std::size_t fds = 0;
    std::size_t threads = 0;
    long rssKiB = 0;
};

std::size_t CountEntries(const char* dir) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir))
        ++n;
    return n;
}

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

Figures Measure() {
    return {CountEntries("/proc/self/fd"), CountEntries("/proc/self/task"), ResidentKiB()};
}

// The fault a job runs with, if any. Faults that end a job only by the watchdog (silence, a
// hang-up) or that slow every reply (dribble) cost seconds each, so they stay rare.
std::optional<sim::Fault> PickFault(std::mt19937& rng) {
    static const char* const kFast[] = {
        "bad:link",
        "bad:info",
        "bad-info",
        "bad:erase-begin",
        "bad:erase-done",
        "bad:length",
        "bad:ack:1",
        "bad:ack:2",
        "bad:ack:3",
        "bad:ack:7",
        "bad:end",
        "bad:sum-link",
        "bad:count",
        "bad:sum-ack:1",
        "bad:sum-ack:4",
        "bad:sum-end",
        "corrupt:readback:1",
        "corrupt:readback:5",
        "corrupt:sum-readback:2",
    };
    static const char* const kSlow[] = {
        "silent:link",   "silent:erase-done", "silent:ack:3",     "silent:sum-end", "hangup:link",
        "hangup:length", "hangup:ack:2",      "hangup:sum-ack:3", "dribble:1",
    };
    const int roll = std::uniform_int_distribution<int>(0, 999)(rng);
    const char* text = nullptr;
    if (roll < 30) {
        text = kSlow[std::uniform_int_distribution<std::size_t>(0, std::size(kSlow) - 1)(rng)];
    } else if (roll < 280) {
        text = kFast[std::uniform_int_distribution<std::size_t>(0, std::size(kFast) - 1)(rng)];
    } else {
        return std::nullopt;
    }
    std::string error;
    auto fault = sim::ParseFault(text, &error);
    if (!fault) {
        std::fprintf(stderr, "kven_soak: %s\n", error.c_str());
        std::exit(2);
    }
    return fault;
}

class Soak {
  public:
    explicit Soak(unsigned seed) : rng_(seed) {
        platform::SetMessageBoxHook(
            [this](std::string_view text, std::string_view) { lastBox_ = text; });
    }
    ~Soak() {
        EndJob();
        platform::SetComDevice(kComNumber, "");
    }
    Soak(const Soak&) = delete;
    Soak& operator=(const Soak&) = delete;

    // Runs one job on a simulator of its own; returns the result code, -1 when the job did
    // not start, -2 when no result came.
    int RunOne(bool* faulty) {
        sim::LoaderConfig cfg;
        cfg.letter = "AedE"[Uniform(0, 3)];
        cfg.packetSize = static_cast<std::uint8_t>(Uniform(16, 255));
        cfg.eraseUnits = static_cast<std::uint8_t>(Uniform(1, 5));
        cfg.eraseScale = 0.002;
        cfg.idleTimeout = std::chrono::milliseconds(500);
        const auto fault = PickFault(rng_);
        *faulty = fault.has_value();
        const bool dribble = fault && fault->kind == sim::FaultKind::Dribble;
        if (fault)
            cfg.faults.push_back(*fault);

        std::string error;
        auto loader = sim::Simulator::Start(cfg, {}, &error);
        if (!loader) {
            std::fprintf(stderr, "kven_soak: simulator: %s\n", error.c_str());
            std::exit(2);
        }
        platform::SetComDevice(kComNumber, loader->SlavePath());

        // A dribbled reply costs a millisecond a byte: keep its read-back short.
        const std::size_t size = dribble ? Uniform(1, 300) : Uniform(1, 32 * 1024);
        std::vector<std::uint8_t> image(size);
        for (auto& b : image)
            b = static_cast<std::uint8_t>(rng_());
        testing_support::WriteBytes(image_, image);

        AppSettings = {};
        AppSettings.port = kComNumber;
        AppSettings.baudRate = ui::BaudRateTable[Uniform(0, ui::BaudRateTable.size() - 1)].value;
        AppSettings.byteSize = 8;  // a pseudo-terminal forces 8 data bits and no parity
        AppSettings.parity = 0;
        AppSettings.stopBits = Uniform(0, 1) ? 2 : 0;
        AppSettings.tranFile = image_;
        AppSettings.outputEnable = Uniform(0, 1) ? 1 : 0;
        AppSettings.outputFile = dir_.File("verify.bin");
        AppSettings.eepsumOutputEnable = Uniform(0, 1) ? 1 : 0;
        AppSettings.eepsumFile = dir_.File("EEPSUM.bin");
        const int mode = Uniform(0, 4) == 0 ? kModeEepSum : kModeProgram;

        dialog_.messages.clear();
        int result = -2;
        if (!StartJob(&dialog_, mode)) {
            result = -1;
        } else if (dialog_.WaitFor(WM_JOB_DONE, std::chrono::seconds(60))) {
            for (const auto& m : dialog_.messages) {
                if (m.msg == WM_JOB_DONE)
                    result = DecodeJobDone(m.lParam).code;
            }
        }
        EndJob();
        dialog_.Pump();
        if (dialog_.Count(WM_JOB_DONE) > 1)
            result = -3;
        return result;
    }

    const std::string& LastBox() const { return lastBox_; }

  private:
    std::size_t Uniform(std::size_t lo, std::size_t hi) {
        return std::uniform_int_distribution<std::size_t>(lo, hi)(rng_);
    }

    std::mt19937 rng_;
    testing_support::TempDir dir_;
    std::string image_ = dir_.File("image.bin");
    testing_support::RecordingTarget dialog_;
    std::string lastBox_;
};

std::string ResultText(int code) {
    switch (code) {
        case -1:
            return "not started";
        case -2:
            return "no result";
        case -3:
            return "two results";
        default:
            return "code " + std::to_string(code);
    }
}

void Print(int jobs, const Figures& f, const std::map<int, int>& results, double seconds) {
    std::printf("jobs %5d  fds %3zu  threads %2zu  rss %6ld KiB  %6.1f s  results:", jobs, f.fds,
                f.threads, f.rssKiB, seconds);
    for (const auto& [code, count] : results)
        std::printf("  %s: %d", ResultText(code).c_str(), count);
    std::printf("\n");
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    const int jobs = argc > 1 ? std::atoi(argv[1]) : 1000;
    const unsigned seed = argc > 2 ? static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10)) : 1;
    if (jobs < 200) {
        std::fprintf(stderr, "usage: kven_soak [jobs >= 200] [seed]\n");
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    const auto elapsed = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };

    Soak soak(seed);
    std::map<int, int> results;
    int cleanFailures = 0;
    std::vector<Figures> samples;
    for (int i = 1; i <= jobs; ++i) {
        bool faulty = false;
        const int result = soak.RunOne(&faulty);
        ++results[result];
        if (!faulty && result != 0) {
            ++cleanFailures;
            std::printf("job %d without a fault ended with %s%s%s\n", i, ResultText(result).c_str(),
                        soak.LastBox().empty() ? "" : ": ", soak.LastBox().c_str());
        }
        if (i % 100 == 0) {
            samples.push_back(Measure());
            Print(i, samples.back(), results, elapsed());
        }
    }

    // The first sample comes after 100 jobs, once everything created lazily exists.
    const Figures& first = samples.front();
    Figures high = first;
    for (const Figures& f : samples) {
        high.fds = std::max(high.fds, f.fds);
        high.threads = std::max(high.threads, f.threads);
        high.rssKiB = std::max(high.rssKiB, f.rssKiB);
    }
    constexpr long kRssSlackKiB = 2048;  // allocator noise, not growth with the job count
    const bool flat = high.fds == first.fds && high.threads == first.threads &&
                      high.rssKiB - first.rssKiB <= kRssSlackKiB;
    std::printf(
        "verdict: %s: fds %zu -> max %zu, threads %zu -> max %zu, rss %ld -> max %ld KiB "
        "(slack %ld); fault-free jobs failed: %d; %.1f s\n",
        flat && cleanFailures == 0 ? "FLAT" : "NOT FLAT", first.fds, high.fds, first.threads,
        high.threads, first.rssKiB, high.rssKiB, kRssSlackKiB, cleanFailures, elapsed());
    return flat && cleanFailures == 0 ? 0 : 1;
}
