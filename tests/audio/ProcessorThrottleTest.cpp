#include <gtest/gtest.h>

#include "audio/ProcessorThrottle.h"
#include "support/FakeClock.h"

namespace pv::audio {
namespace {

TEST(ProcessorThrottle, FactorFollowsTheShare) {
    test::FakeClock clock;
    ProcessorThrottle throttle(clock);
    const struct {
        int share, factor;
    } cases[] = {{50, 1000}, {25, 3000}, {100, 1}, {99, 10}, {200, 1}, {1, 99000}, {0, 99000}, {-5, 99000}};
    for (const auto& c : cases) {
        throttle.SetShare(c.share);
        EXPECT_EQ(throttle.SleepFactor(), c.factor) << c.share;
    }
}

TEST(ProcessorThrottle, SleepsInProportionToTheBusyTime) {
    const struct {
        int share;
        int busyMs;
        int sleptMs;
    } cases[] = {{50, 40, 40}, {25, 40, 120}, {100, 40, 0}, {100, 2000, 2}, {50, 0, 0}};
    for (const auto& c : cases) {
        test::FakeClock clock;
        ProcessorThrottle throttle(clock, c.share);
        throttle.StartBusy();
        clock.Advance(std::chrono::milliseconds(c.busyMs));
        const auto before = clock.Steady();
        throttle.Pause();
        EXPECT_EQ(std::chrono::duration_cast<std::chrono::milliseconds>(clock.Steady() - before).count(), c.sleptMs)
            << c.share << " " << c.busyMs;
        EXPECT_EQ(clock.Sleeps(), c.sleptMs > 0 ? 1 : 0);
    }
}

}  // namespace
}  // namespace pv::audio
