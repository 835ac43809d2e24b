// The simulator's pseudo-terminal at the end of a run: it is closed only once the host has
// closed its side, so a last reply still on its way to the host is not lost.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <future>

#include "sim/pty.h"

namespace {

using namespace std::chrono_literals;

TEST(PtyClose, TheEndWaitsForTheHostToCloseItsSide) {
    auto pty = sim::PtyPair::Open();
    ASSERT_TRUE(pty);
    // No host: nothing to wait for.
    pty->WaitUntilHostCloses(60s);

    // A host that holds the port as Kven does.
    const int host = ::open(pty->SlavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(host, 0);
    ASSERT_EQ(::flock(host, LOCK_EX | LOCK_NB), 0);
    auto waiting = std::async(std::launch::async, [&] { pty->WaitUntilHostCloses(60s); });
    EXPECT_EQ(waiting.wait_for(50ms), std::future_status::timeout);
    ::close(host);
    // Well inside the limit: the wait ended with the close, not with the time.
    EXPECT_EQ(waiting.wait_for(30s), std::future_status::ready);
}

}  // namespace
