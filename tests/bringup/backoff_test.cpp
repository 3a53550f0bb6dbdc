// What failed is tried again after 1 s, then twice as long each time up to a minute, and
// a success starts over.
#include <gtest/gtest.h>

#include "base/backoff.h"

namespace {

TEST(Backoff, DoublesFromOneSecondUpToAMinuteAndStartsOverAfterASuccess)
{
    auxpad::Backoff b;
    std::vector<auxpad::Millis> waits;
    for (int i = 0; i < 9; ++i)
        waits.push_back(b.failed());
    EXPECT_EQ(waits, (std::vector<auxpad::Millis>{1000, 2000, 4000, 8000, 16000, 32000, 60000, 60000, 60000}));
    b.succeeded();
    EXPECT_EQ(b.failed(), 1000);
}

} // namespace
