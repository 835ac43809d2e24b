// The protocol engine fed arbitrary loader bytes: whole jobs through StartJob/EndJob over the
// fake comm device. The input chooses the job and the loader's replies:
//
//   byte 0      flags: bit 0 EEP Sum job (else Program), bit 1 read-back file, bit 2 table file
//   bytes 1-2   image size (little-endian) modulo kMaxFuzzImage + 1
//   byte 3      the image's fill byte (a constant image, so that echoing it is easy to find)
//   then        chunks: a control byte and up to 127 loader bytes (the last chunk may be short);
//               the control byte's low 7 bits are the length; bit 7 set lets the chunk arrive
//               before the engine's pending write has completed (otherwise it completes first)
//
// Writes are held, so the harness decides when each completes, and the engine's port events
// are counted, so each chunk goes onto the line only once every event so far has been handled
// and the reader waits for bytes. Runs repeat almost always; the one gap is a write the engine
// has asked for that the writer thread has not yet put on the line. When the input is
// exhausted the job is released with EndJob, so no execution waits for the watchdog. Aborts on
// a stall (a port thread that never waits again), on more than one WM_JOB_DONE, and on a job
// that ended by itself without one. KVEN_FUZZ_TRACE=1 prints each run's result.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <span>
#include <thread>
#include <vector>

#include "job/job_control.h"
#include "job/program_job.h"
#include "platform/com_ports.h"
#include "platform/comm_fake.h"
#include "platform/message_box.h"
#include "platform/message_target.h"
#include "settings/app_settings.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr int kComNumber = 42;
constexpr std::size_t kMaxFuzzImage = 4096;
constexpr UINT kFeederDone = WM_USER + 1;
// Far above any step's time; only a port thread that stopped serving gets near it.
constexpr auto kStallLimit = std::chrono::seconds(5);

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "fuzz_engine: %s (state %d)\n", what, ProgramJob.state.load());
    std::abort();
}

// Counts results; the job's status messages need only be handled so that their senders go on.
class CountingTarget : public platform::MessageTarget {
  public:
    int done = 0;
    int lastResult = -1;
    bool feederDone = false;

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM, LPARAM lParam) override {
        if (msg == WM_JOB_DONE) {
            ++done;
            lastResult = DecodeJobDone(lParam).code;
        } else if (msg == kFeederDone) {
            feederDone = true;
        }
        return 0;
    }
};

struct Environment {
    testing_support::TempDir dir;
    std::string image = dir.File("image.bin");

    Environment() {
        platform::SetMessageBoxHook([](std::string_view text, std::string_view) {
            if (std::getenv("KVEN_FUZZ_TRACE"))
                std::fprintf(stderr, "box: %.*s\n", int(text.size()), text.data());
        });
        platform::SetComDevice(kComNumber, "fake");
    }
};

Environment& Env() {
    static Environment env;
    return env;
}

void WriteImage(const std::string& path, std::size_t size, std::uint8_t fill) {
    const std::vector<std::uint8_t> bytes(size, fill);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        Fail("cannot write the image");
    if (size > 0 && std::fwrite(bytes.data(), 1, size, f) != size)
        Fail("short image write");
    std::fclose(f);
}

// The engine's port events, counted so that the harness knows when both port threads are idle.
std::atomic<int> g_inside{0};
std::atomic<int> g_writesDone{0};
platform::FakeCommLine* g_line = nullptr;

void CountingCallback(CSerialPort* sender, std::int32_t kind) {
    ++g_inside;
    PortEventCallback(sender, kind);
    if (kind == SPE_WRITE_DONE)
        ++g_writesDone;
    --g_inside;
    g_line->Feed({});  // nothing fed; wakes the harness waiting on the line
}

void ConfigureSettings(const Environment& env, std::uint8_t flags) {
    AppSettings = {};
    AppSettings.port = kComNumber;
    AppSettings.baudRate = 115200;
    AppSettings.byteSize = 8;
    AppSettings.tranFile = env.image;
    AppSettings.outputEnable = (flags & 2) ? 1 : 0;
    AppSettings.outputFile = env.dir.File("verify.bin");
    AppSettings.eepsumOutputEnable = (flags & 4) ? 1 : 0;
    AppSettings.eepsumFile = env.dir.File("EEPSUM.bin");
}

// Plays the loader: completes the held writes and puts each chunk on the line once both port
// threads are idle.
class LoaderFeeder {
  public:
    explicit LoaderFeeder(platform::FakeCommLine& line) : line_(line) {}

    // False when a port thread stopped serving.
    bool Feed(std::span<const std::uint8_t> replies) {
        std::size_t at = 0;
        // StartJob has asked for the link request; it reaches the line on the writer thread.
        bool ok =
            line_.Wait([](const auto& s) { return s.writesStarted > 0; }, kStallLimit) && Settle();
        while (ok && at < replies.size()) {
            const std::uint8_t control = replies[at];
            if (!(control & 0x80))
                ok = CompleteWrite();
            const std::size_t n = std::min<std::size_t>(control & 0x7F, replies.size() - at - 1);
            line_.Feed(replies.subspan(at + 1, n));
            at += 1 + n;
            ok = ok && Settle();
        }
        // Writes still held go out; each may lead to another until the engine waits for bytes.
        while (ok && line_.Snapshot().writePending)
            ok = CompleteWrite();
        return ok;
    }

  private:
    // Both port threads idle: every completed write reported and handled, no event being
    // handled, and the reader waiting for bytes it does not have.
    bool Idle(const platform::FakeCommLine::Status& s) const {
        return s.readPending && s.queued < s.pendingReadSize && g_inside == 0 &&
               g_writesDone == completed_;
    }
    // A read that the queued bytes cannot fill is ended as a real line's read time-out would.
    bool Settle() {
        const auto idle = [this](const platform::FakeCommLine::Status& s) { return Idle(s); };
        if (!line_.Wait(idle, kStallLimit))
            return false;
        if (line_.Snapshot().queued == 0)
            return true;
        line_.FinishRead();
        return line_.Wait(idle, kStallLimit);
    }
    bool CompleteWrite() {
        if (!line_.Snapshot().writePending)
            return true;
        ++completed_;
        line_.CompleteWrite();
        return Settle();
    }

    platform::FakeCommLine& line_;
    int completed_ = 0;
};

// After EndJob: at most one result, one from every job that ended by itself, and only codes
// the engine posts.
void CheckResults(const CountingTarget& dialog, bool endedItself) {
    if (dialog.done > 1)
        Fail("more than one WM_JOB_DONE");
    if (endedItself && dialog.done != 1)
        Fail("a job ended without WM_JOB_DONE");
    if (dialog.done == 1 &&
        (dialog.lastResult > kResultChecksumCompare || dialog.lastResult == kResultStartFailed)) {
        Fail("a result code outside the engine's set");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4)
        return 0;
    Environment& env = Env();
    const std::uint8_t flags = data[0];
    const std::size_t imageSize =
        static_cast<std::size_t>(data[1] | data[2] << 8) % (kMaxFuzzImage + 1);
    WriteImage(env.image, imageSize, data[3]);
    const std::span<const std::uint8_t> replies(data + 4, size - 4);
    ConfigureSettings(env, flags);

    const auto line = platform::FakeCommLine::Create();
    line->HoldWrites(true);
    g_line = line.get();
    g_inside = 0;
    g_writesDone = 0;
    const platform::ScopedCommDeviceFactory factory(line->Factory());
    CountingTarget dialog;

    if (!StartJob(&dialog, (flags & 1) ? kModeEepSum : kModeProgram)) {
        EndJob();
        dialog.Pump();
        if (dialog.done != 0)
            Fail("a job that did not start posted a result");
        return 0;
    }
    // No write has completed yet, so no event has gone past the counter.
    ProgramJob.serialPort->SetCallback(CountingCallback);

    // The port threads send status messages to the dialog and wait for them, so this thread
    // pumps while another one plays the loader.
    std::atomic<bool> stalled{false};
    std::thread loader([&] {
        LoaderFeeder feeder(*line);
        stalled = !feeder.Feed(replies);
        dialog.Post(kFeederDone, 0, 0);
    });
    const bool fed = dialog.RunUntil([&] { return dialog.feederDone; }, 2 * kStallLimit);
    loader.join();
    if (!fed || stalled)
        Fail("the engine stopped waiting for bytes");

    // A job that ended by itself has posted its result by the time EndJob has stopped the
    // port threads; one still active may also end while EndJob runs, but then only once.
    const bool endedItself = ProgramJob.active.load() == 0;
    const std::uint32_t unread = ProgramJob.serialPort->GetAvailable();
    EndJob();
    dialog.Pump();
    if (std::getenv("KVEN_FUZZ_TRACE")) {
        std::fprintf(stderr, "result %d, state %d, packets %d, unread %zu, flags %d%d%d\n",
                     dialog.done ? dialog.lastResult : -1, ProgramJob.state.load(),
                     ProgramJob.packetCount,
                     static_cast<std::size_t>(unread) + line->Snapshot().queued,
                     ProgramJob.writeDone, ProgramJob.replyOk, ProgramJob.dataReceived);
    }
    CheckResults(dialog, endedItself);
    return 0;
}
