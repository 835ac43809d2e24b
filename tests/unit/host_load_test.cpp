#include <gtest/gtest.h>

#include "platform/host_load.h"

namespace {

TEST(HostLoad, ReadsTheKernelsFigures) {
    EXPECT_EQ(platform::PressureAvg10("some avg10=17.09 avg60=68.42 avg300=84.89 total=41\n"
                                      "full avg10=0.00 avg60=0.00 avg300=0.00 total=0\n"),
              17.09);
    // "full" comes second and must not be taken for "some".
    EXPECT_EQ(platform::PressureAvg10("some avg10=0.00 avg60=1.00\nfull avg10=55.00\n"), 0.0);
    EXPECT_FALSE(platform::PressureAvg10(""));
    EXPECT_FALSE(platform::PressureAvg10("some avg10=x"));

    EXPECT_EQ(platform::RunnableTasks("14.28 22.86 23.44 3/167 8414\n"), 3);
    EXPECT_EQ(platform::RunnableTasks("0.00 0.01 0.05 12/467 99"), 12);
    EXPECT_FALSE(platform::RunnableTasks(""));
    EXPECT_FALSE(platform::RunnableTasks("0.1 0.2 0.3 x/3 1"));
}

}  // namespace
