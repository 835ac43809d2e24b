// The message layouts and the link request, pinned to the values on the wire and in the
// messages: a change of an encoder that its decoder follows would still be caught here.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "job/job_messages.h"
#include "job/loader_wire.h"

namespace {

TEST(JobMessages, DoneLayout) {
    EXPECT_EQ(JobDoneLParam(kResultStartFailed), 0xA0001);
    EXPECT_EQ(JobDoneLParam(kResultTimeout), 0x20001);
    for (WORD code = kResultOk; code <= kResultChecksumCompare; ++code) {
        const JobDone done = DecodeJobDone(JobDoneLParam(code));
        EXPECT_TRUE(done.marked()) << code;
        EXPECT_EQ(done.code, code);
    }
    // Without the marker the low half is not 1: not a job's result.
    EXPECT_FALSE(DecodeJobDone(0x30000).marked());
    EXPECT_FALSE(DecodeJobDone(0x30002).marked());
}

TEST(JobMessages, StatusLayout) {
    const WPARAM w = StatusWParam(kStatusLoaderVersion, 0x0123);
    const LPARAM l = LoaderVersionValue(255, 'A');
    EXPECT_EQ(w, 0x01230003u);
    EXPECT_EQ(l, 0x00FF0041);
    const JobStatus status = DecodeJobStatus(w, l);
    EXPECT_EQ(status.kind, kStatusLoaderVersion);
    EXPECT_EQ(status.extra, 0x0123);
    EXPECT_EQ(status.letter(), 'A');
    EXPECT_EQ(status.packetSize(), 255);

    // A count keeps all of lParam: the image's 4 MiB do not fit in 16 bits.
    const JobStatus length = DecodeJobStatus(StatusWParam(kStatusFileLength), 0x400000);
    EXPECT_EQ(length.kind, kStatusFileLength);
    EXPECT_EQ(length.extra, 0);
    EXPECT_EQ(length.value, 0x400000);
}

TEST(LoaderWire, LinkRequests) {
    using Request = std::array<std::uint8_t, wire::kLinkRequestLength>;
    EXPECT_EQ(wire::LinkRequest(wire::kKeyProgram), (Request{0xC9, 0xDD, 0x55, 0xAA, 0xDD, 0xC9}));
    EXPECT_EQ(wire::LinkRequest(wire::kKeyChecksum), (Request{0xC9, 0xDD, 0x55, 0xAA, 0x22, 0xC9}));
}

}  // namespace
