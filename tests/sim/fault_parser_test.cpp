#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/faults.h"

namespace {

using sim::Fault;
using sim::FaultKind;
using sim::Step;

struct Accepted {
    const char* text;
    Fault fault;
    const char* canonical;  // FormatFault's text
};

TEST(FaultParser, AcceptsEveryFault) {
    const std::vector<Accepted> table = {
        {"silent:link", {FaultKind::Silent, Step::Link, 0, 0}, "silent:link"},
        {"silent:info", {FaultKind::Silent, Step::Info, 0, 0}, "silent:info"},
        {"silent:erase-begin", {FaultKind::Silent, Step::EraseBegin, 0, 0}, "silent:erase-begin"},
        {"silent:erase-done", {FaultKind::Silent, Step::EraseDone, 0, 0}, "silent:erase-done"},
        {"silent:length", {FaultKind::Silent, Step::Length, 0, 0}, "silent:length"},
        {"silent:ack:5", {FaultKind::Silent, Step::Ack, 5, 0}, "silent:ack:5"},
        {"silent:end", {FaultKind::Silent, Step::End, 0, 0}, "silent:end"},
        {"silent:sum-link", {FaultKind::Silent, Step::SumLink, 0, 0}, "silent:sum-link"},
        {"silent:count", {FaultKind::Silent, Step::Count, 0, 0}, "silent:count"},
        {"silent:sum-ack:9", {FaultKind::Silent, Step::SumAck, 9, 0}, "silent:sum-ack:9"},
        {"silent:sum-end", {FaultKind::Silent, Step::SumEnd, 0, 0}, "silent:sum-end"},
        {"bad:link", {FaultKind::Bad, Step::Link, 0, 0}, "bad:link"},
        {"bad:erase-begin", {FaultKind::Bad, Step::EraseBegin, 0, 0}, "bad:erase-begin"},
        {"bad:erase-done", {FaultKind::Bad, Step::EraseDone, 0, 0}, "bad:erase-done"},
        {"bad:length", {FaultKind::Bad, Step::Length, 0, 0}, "bad:length"},
        {"bad:ack:3", {FaultKind::Bad, Step::Ack, 3, 0}, "bad:ack:3"},
        {"bad:end", {FaultKind::Bad, Step::End, 0, 0}, "bad:end"},
        {"bad:sum-link", {FaultKind::Bad, Step::SumLink, 0, 0}, "bad:sum-link"},
        {"bad:count", {FaultKind::Bad, Step::Count, 0, 0}, "bad:count"},
        {"bad:sum-ack:2", {FaultKind::Bad, Step::SumAck, 2, 0}, "bad:sum-ack:2"},
        {"bad:sum-end", {FaultKind::Bad, Step::SumEnd, 0, 0}, "bad:sum-end"},
        {"bad:info", {FaultKind::Bad, Step::Info, 0, 0}, "bad:info"},
        {"bad-info", {FaultKind::Bad, Step::Info, 0, 0}, "bad:info"},
        {"hangup:erase-done", {FaultKind::HangUp, Step::EraseDone, 0, 0}, "hangup:erase-done"},
        {"hangup:ack:12", {FaultKind::HangUp, Step::Ack, 12, 0}, "hangup:ack:12"},
        {"corrupt:readback:4", {FaultKind::Corrupt, Step::ReadBack, 4, 0}, "corrupt:readback:4"},
        {"corrupt:sum-readback:3",
         {FaultKind::Corrupt, Step::SumReadBack, 3, 0},
         "corrupt:sum-readback:3"},
        {"dribble:5", {FaultKind::Dribble, Step::Link, 0, 5}, "dribble:5"},
        {"bad:ack:3@1", {FaultKind::Bad, Step::Ack, 3, 0, 1}, "bad:ack:3@1"},
        {"bad-info@12", {FaultKind::Bad, Step::Info, 0, 0, 12}, "bad:info@12"},
    };
    for (const auto& row : table) {
        std::string error;
        const auto fault = sim::ParseFault(row.text, &error);
        ASSERT_TRUE(fault.has_value()) << row.text << ": " << error;
        EXPECT_EQ(*fault, row.fault) << row.text;
        EXPECT_EQ(sim::FormatFault(*fault), row.canonical) << row.text;
        EXPECT_EQ(sim::ParseFault(sim::FormatFault(*fault)), fault) << row.text;
    }
}

TEST(FaultParser, RefusesWithAReason) {
    const std::vector<const char*> table = {
        "",
        "silent",
        "silent:",
        "loud:link",
        "bad:nowhere",
        "bad:ack",
        "bad:ack:",
        "bad:ack:0",
        "bad:ack:x",
        "bad:ack:3:4",
        "bad:ack:-1",
        "bad:link:2",
        "bad:link:",
        "corrupt:link",
        "corrupt:readback",
        "corrupt:readback:0",
        "bad:readback:2",
        "silent:sum-readback:2",
        "dribble",
        "dribble:",
        "dribble:0",
        "dribble:60001",
        "dribble:5ms",
        "bad-info:1",
        "BAD:link",
        " bad:link",
        "bad:ack:3@0",
        "silent:link@",
        "silent:link@x",
        "silent:nowhere@2",
        "silent:link@1@2",
    };
    for (const char* text : table) {
        std::string error;
        EXPECT_FALSE(sim::ParseFault(text, &error).has_value()) << "'" << text << "'";
        EXPECT_FALSE(error.empty()) << "'" << text << "'";
    }
}

TEST(FaultParser, ASessionFaultBelongsToItsSessionOnly) {
    const std::vector<Fault> faults = {*sim::ParseFault("bad:ack:3@2"),
                                       *sim::ParseFault("silent:end")};
    EXPECT_EQ(sim::FaultsOfSession(faults, 1), std::vector<Fault>{faults[1]});
    EXPECT_EQ(sim::FaultsOfSession(faults, 2), faults);
}

TEST(FaultParser, FindsTheFaultOfAStep) {
    const std::vector<Fault> faults = {*sim::ParseFault("dribble:7"),
                                       *sim::ParseFault("corrupt:readback:2"),
                                       *sim::ParseFault("bad:ack:3")};
    ASSERT_NE(sim::FindStepFault(faults, Step::Ack, 3), nullptr);
    EXPECT_EQ(sim::FindStepFault(faults, Step::Ack, 3)->kind, FaultKind::Bad);
    EXPECT_EQ(sim::FindStepFault(faults, Step::Ack, 2), nullptr);
    EXPECT_EQ(sim::FindStepFault(faults, Step::SumAck, 3), nullptr);
    EXPECT_EQ(sim::FindStepFault(faults, Step::ReadBack, 2), nullptr);  // corrupt is no reply
    EXPECT_NE(sim::FindCorruption(faults, Step::ReadBack, 2), nullptr);
    EXPECT_EQ(sim::FindCorruption(faults, Step::SumReadBack, 2), nullptr);
    EXPECT_EQ(sim::DribbleMs(faults), 7u);
}

}  // namespace
