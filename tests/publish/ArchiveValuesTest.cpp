// Header and tag texts as archive field values: dates, times, cue times and
// integers.
#include <gtest/gtest.h>

#include <string>

#include "publish/ArchiveValues.h"

namespace pv {
namespace {

// The expected value: a text, "" for no value, or "invalid" for a text that
// names no day or time (no value either).
void ExpectValue(const ArchiveFieldValue& got, const std::string& expected) {
    if (expected == "invalid") {
        EXPECT_TRUE(got.invalid);
        EXPECT_FALSE(got.value);
    } else if (expected.empty()) {
        EXPECT_FALSE(got.invalid);
        EXPECT_FALSE(got.value);
    } else {
        EXPECT_FALSE(got.invalid);
        EXPECT_EQ(got.value.value_or("(none)"), expected);
    }
}

TEST(ArchiveValues, DatesAreMonthDayAndYear) {
    struct Case {
        std::string text;
        std::string iso;
    };
    const Case cases[] = {
        {"12/31/2005", "2005-12-31"},
        {"12/31/2005 10:00:00", "2005-12-31"},  // the time after the year is left out
        {"12-31-2005", "2005-12-31"},
        {"12\\31\\2005", "2005-12-31"},
        {"3/9/2026", "2026-03-09"},
        {" 03/09/2026", "2026-03-09"},
        {"02/29/2024", "2024-02-29"},
        {"02/29/2000", "2000-02-29"},
        {"0/0/0", ""},
        {"00/00/0000 12:00:00", ""},
        {"", ""},
        {"none", ""},
        {"02/29/2023", "invalid"},
        {"02/29/1900", "invalid"},
        {"13/01/2005", "invalid"},
        {"12/32/2005", "invalid"},
        {"12/31/05", "invalid"},  // two digits name no year
        {"12/31", "invalid"},
        {"-1/31/2005", "invalid"},
        {"12/31/99999", "invalid"},
        {"99999999999999999999/1/2005", "invalid"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ExpectValue(ArchiveDate(c.text), c.iso);
    }
}

TEST(ArchiveValues, TimesAreHoursMinutesAndSeconds) {
    struct Case {
        std::string text;
        std::string iso;
    };
    const Case cases[] = {
        {"10:30:15", "10:30:15"}, {"10.30.15", "10:30:15"}, {"10-30", "10:30:00"}, {"7", "07:00:00"},
        {"23/59/59", "23:59:59"}, {"0:0:0", ""},             {"", ""},           {"24:00:00", "invalid"},
        {"10:60:00", "invalid"},  {"10:00:60", "invalid"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ExpectValue(ArchiveTime(c.text), c.iso);
    }
}

// The header's TIME loses its first three characters first.
TEST(ArchiveValues, TheCreationTimeDropsThreeCharacters) {
    struct Case {
        std::string header;
        std::string iso;
    };
    const Case cases[] = {
        {"Tue10:30:00", "10:30:00"}, {"AM 09:15:00", "09:15:00"}, {"10:30:00", "invalid"},
        {"abc", ""},                 {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.header);
        ExpectValue(ArchiveCreationTime(c.header), c.iso);
    }
}

TEST(ArchiveValues, CueTimesAreTimesIntoTheCut) {
    EXPECT_EQ(ArchiveCueTime(7500).value_or("(none)"), "00:00:07.500");
    EXPECT_EQ(ArchiveCueTime(3723004).value_or("(none)"), "01:02:03.004");
    EXPECT_FALSE(ArchiveCueTime(0));
    EXPECT_FALSE(ArchiveCueTime(-5));
    EXPECT_FALSE(ArchiveCueTime(24LL * 3600 * 1000));
}

TEST(ArchiveValues, IntegersAreTheLeadingNumber) {
    struct Case {
        std::string text;
        int64_t value;
    };
    const Case cases[] = {
        {"12", 12},  {" 42 plays", 42}, {"-3", -3}, {"+7", 7}, {"", 0}, {"x1", 0},
        {"99999999999999999999", INT64_MAX},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ArchiveInteger(c.text), c.value);
    }
}

}  // namespace
}  // namespace pv
