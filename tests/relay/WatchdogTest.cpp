#include <gtest/gtest.h>

#include "platform/DynamicLibrary.h"
#include "relay/Watchdog.h"
#include "support/RecordingReporter.h"

namespace pv {
namespace {

int Counter(const char* name) {
    platform::DynamicLibrary library;
    EXPECT_TRUE(library.Load(FAKE_KEEPWELL_PATH, nullptr));
    auto function = reinterpret_cast<int (*)()>(library.Symbol(name));
    return function ? function() : -1;
}

TEST(Watchdog, StaysOffWhenSwitchedOffOrTheLibraryIsMissing) {
    test::RecordingReporter reporter;
    Watchdog off;
    EXPECT_FALSE(off.Open({0, 30, 30, FAKE_KEEPWELL_PATH}, 1, "Pressvane", reporter));
    Watchdog missing;
    EXPECT_FALSE(missing.Open({5, 30, 30, "/nonexistent/libkeepwell.so"}, 1, "Pressvane", reporter));
    missing.Tick(0, 0, 0);
    EXPECT_FALSE(missing.Loaded());
}

TEST(Watchdog, KicksFirstTickThenEveryPeriodAndStopsWhenPassesStall) {
    test::RecordingReporter reporter;
    Watchdog watchdog;
    ASSERT_TRUE(watchdog.Open({2, 30, 10, FAKE_KEEPWELL_PATH}, 1, "Pressvane", reporter));
    const int before = Counter("FakeKeepwell_Kicks");
    const std::time_t start = 1000000;
    watchdog.Tick(start, start, start);  // first tick kicks
    EXPECT_EQ(Counter("FakeKeepwell_Kicks"), before + 1);
    for (int i = 0; i < 8; ++i) watchdog.Tick(start, start, start);  // 2 s = 8 ticks
    EXPECT_EQ(Counter("FakeKeepwell_Kicks"), before + 2);

    // Eleven minutes without a good pass: no more kicks.
    const std::time_t later = start + 11 * 60;
    for (int i = 0; i < 40; ++i) watchdog.Tick(later, later, start);
    EXPECT_EQ(Counter("FakeKeepwell_Kicks"), before + 2);
    EXPECT_LT(watchdog.KickCounter(), 0);

    const int closes = Counter("FakeKeepwell_Closes");
    watchdog.Close();
    EXPECT_EQ(Counter("FakeKeepwell_Closes"), closes + 1);
}

}  // namespace
}  // namespace pv
