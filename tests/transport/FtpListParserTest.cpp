#include <gtest/gtest.h>

#include <climits>
#include <ctime>
#include <limits>
#include <string>
#include <string_view>

#include "transport/FtpListParser.h"

namespace pv {
namespace {

using namespace std::string_view_literals;

constexpr int64_t kMaxSize = std::numeric_limits<int64_t>::max();

// Seconds since 1970 of a UTC calendar time, computed by the C library so the
// parser's own day count is not checked against itself.
int64_t Utc(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    return static_cast<int64_t>(timegm(&tm));
}

FtpListParser ParserAt(int64_t now) {
    return FtpListParser([now] { return static_cast<std::time_t>(now); });
}

enum Kind { kFile, kFolder, kBoth, kNeither };

struct Row {
    std::string_view line;
    std::string_view name;
    Kind kind;
    int sizeType;
    int64_t size;
    int timeType;
    int64_t time;
};

void ExpectRow(FtpListParser& parser, const Row& row) {
    FtpListEntry entry;
    ASSERT_TRUE(parser.ParseListLine(entry, row.line)) << row.line;
    EXPECT_EQ(entry.name, row.name) << row.line;
    EXPECT_EQ(entry.mayBeFolder, row.kind == kFolder || row.kind == kBoth) << row.line;
    EXPECT_EQ(entry.mayBeFile, row.kind == kFile || row.kind == kBoth) << row.line;
    EXPECT_EQ(entry.sizeType, row.sizeType) << row.line;
    EXPECT_EQ(entry.size, row.size) << row.line;
    EXPECT_EQ(entry.timeType, row.timeType) << row.line;
    EXPECT_EQ(entry.time, row.time) << row.line;
}

void ExpectNotRecognised(FtpListParser& parser, std::string_view line) {
    FtpListEntry entry;
    entry.name = "left over";
    EXPECT_FALSE(parser.ParseListLine(entry, line)) << line;
    EXPECT_EQ(entry.name, "") << line;
    EXPECT_EQ(entry.timeType, 0) << line;
}

// Listings read on 2026-12-09 at 23:00 UTC.
const int64_t kListingNow = Utc(2026, 12, 9, 23, 0);

TEST(FtpListParser, ReadsEveryServerStyle) {
    const Row rows[] = {
        // Unix long listings, with and without a group.
        {"-rw-r--r--   1 news     staff       2048 Mar  3 14:05 story1.txt", "story1.txt", kFile, 1, 2048, 2,
         Utc(2026, 3, 3, 14, 5)},
        {"-rw-r--r--   1 news       2048 Mar  3 14:05 story1.txt", "story1.txt", kFile, 1, 2048, 2,
         Utc(2026, 3, 3, 14, 5)},
        {"drwxr-xr-x   2 news     staff        512 Apr  8  2019 archive", "archive", kFolder, 1, 512, 3,
         Utc(2019, 4, 8)},
        {"-rw-r--r--   1 news     staff         10 Mar  3  9:05 early.txt", "early.txt", kFile, 1, 10, 2,
         Utc(2026, 3, 3, 9, 5)},
        {"-rwxrwxrwx   1 owner    group          1803128 Jul 10 10:18 bulletin.mp3", "bulletin.mp3", kFile, 1,
         1803128, 2, Utc(2026, 7, 10, 10, 18)},
        {"-rw-r--r--   1 news     staff         10 DEC  1  2020 upper.txt", "upper.txt", kFile, 1, 10, 3,
         Utc(2020, 12, 1)},
        {"-rw-r--r--   1 news     staff         10 mAy  1  2020 mixed.txt", "mixed.txt", kFile, 1, 10, 3,
         Utc(2020, 5, 1)},
        {"-rw-r--r--   1 news     staff         10 Mar  3 14:05  two spaces", " two spaces", kFile, 1, 10, 2,
         Utc(2026, 3, 3, 14, 5)},
        {"-rw-r--r--   1 news     staff         10 Mar  3 14:05 a -> b", "a -> b", kFile, 1, 10, 2,
         Utc(2026, 3, 3, 14, 5)},
        // Symbolic links lose their target and may be either.
        {"lrwxrwxrwx   1 news     staff          7 Jan 25 00:17 latest -> archive", "latest", kBoth, 1, 7, 2,
         Utc(2026, 1, 25, 0, 17)},
        {"lrwxrwxrwx   1 news     staff          7 Jan 25 00:17 my link -> a -> b", "my link", kBoth, 1, 7, 2,
         Utc(2026, 1, 25, 0, 17)},
        {"lrwxrwxrwx   1 news     staff          7 Jan 25 00:17 dangling", "dangling", kBoth, 1, 7, 2,
         Utc(2026, 1, 25, 0, 17)},
        // Devices and pipes are neither files nor folders.
        {"crw-rw-rw-   1 root     root       1,   3 Apr  8  2019 null", "null", kNeither, 1, 3, 3, Utc(2019, 4, 8)},
        {"prw-r--r--   1 news     staff          0 Mar  3 14:05 pipe", "pipe", kNeither, 1, 0, 2,
         Utc(2026, 3, 3, 14, 5)},
        // NetWare: three spaces before the name.
        {"d [R----F--] supervisor            512       Jan 16 18:53    login", "login", kFolder, 1, 512, 2,
         Utc(2026, 1, 16, 18, 53)},
        {"- [RWCEAFMS] editor                 4096 Feb 02 11:07    rundown.txt", "rundown.txt", kFile, 1, 4096, 2,
         Utc(2026, 2, 2, 11, 7)},
        // Macintosh: "folder" stands for link count and owner.
        {"drwxrwxr-x               folder        2 May 10  1996 network", "network", kFolder, 1, 2, 3,
         Utc(1996, 5, 10)},
        {"-------r--         326  1391972  1392298 Nov 22  1995 promo.sit", "promo.sit", kFile, 1, 1392298, 3,
         Utc(1995, 11, 22)},
        // VMS: size not given; ".DIR" marks a folder.
        {"NEWS.DIR;1          1  8-SEP-2018 16:09 [SYSTEM] (RWE,RWE,RE,RE)", "NEWS", kFolder, 0, 0, 2,
         Utc(2018, 9, 8, 16, 9)},
        {"STORY.TXT;3         2 12-Jan-1999 08:07:21 [NEWS] (RWED,RWED,RE,)", "STORY.TXT", kFile, 0, 0, 2,
         Utc(1999, 1, 12, 8, 7)},
        {"A.DIR;1  1  1-MAR-2000 00:00 [X]", "A", kFolder, 0, 0, 2, Utc(2000, 3, 1)},
        {".DIR;1  1  1-MAR-2000 00:00 [X]", ".DIR", kFile, 0, 0, 2, Utc(2000, 3, 1)},
        {"LAST.TXT;1  1  1-MAR-2000 23:59", "LAST.TXT", kFile, 0, 0, 2, Utc(2000, 3, 1, 23, 59)},
        // MS-DOS / IIS, AM/PM and 24-hour.
        {"04-27-19  09:09PM       <DIR>          audio", "audio", kFolder, 0, 0, 2, Utc(2019, 4, 27, 21, 9)},
        {"04-14-19  12:47AM                  589 story.htm", "story.htm", kFile, 1, 589, 2,
         Utc(2019, 4, 14, 0, 47)},
        {"01-01-00  12:00PM                   10 noon.txt", "noon.txt", kFile, 1, 10, 2, Utc(2000, 1, 1, 12, 0)},
        {"12-31-99  11:59PM                    1 last.txt", "last.txt", kFile, 1, 1, 2, Utc(1999, 12, 31, 23, 59)},
        {"04-27-2019  09:09AM       <DIR>          Morning News", "Morning News", kFolder, 0, 0, 2,
         Utc(2019, 4, 27, 9, 9)},
        {"10-03-22  03:15PM           3000000000 big.wav", "big.wav", kFile, 1, 3000000000, 2,
         Utc(2022, 10, 3, 15, 15)},
        {"04-14-19  12:47AM                  589 story;1.htm", "story;1.htm", kFile, 1, 589, 2,
         Utc(2019, 4, 14, 0, 47)},
        {"04-27-2019  21:09       <DIR>          Audio Plan", "Audio Plan", kFolder, 0, 0, 2,
         Utc(2019, 4, 27, 21, 9)},
        {"04-27-19  09:09 PM       <DIR>          audio", "audio", kFolder, 0, 0, 2, Utc(2019, 4, 27, 21, 9)},
        // "+" facts; a fact counts only when a comma ends it.
        {"+s280,m1555555555,r,\tstory.htm", "story.htm", kFile, 1, 280, 1, 1555555555},
        {"+i8388621.29609,m824255902,/,\tdev", "dev", kFolder, 0, 0, 1, 824255902},
        {"+up644,s5000000000,,r,\tbig.wav", "big.wav", kFile, 1, 5000000000, 0, 0},
        {"+s10\tunterminated", "unterminated", kNeither, 0, 0, 0, 0},
        {"+\tbare", "bare", kNeither, 0, 0, 0, 0},
        // Captured from pyftpdlib.
        {"drwxr-xr-x   2 root     root         4096 Apr 08  2019 archive", "archive", kFolder, 1, 4096, 3,
         Utc(2019, 4, 8)},
        {"-rw-r--r--   1 root     root     3000000000 Dec 09 22:54 big.wav", "big.wav", kFile, 1, 3000000000, 2,
         Utc(2026, 12, 9, 22, 54)},
        {"lrwxrwxrwx   1 root     root            7 Apr 08  2019 latest -> archive", "latest", kBoth, 1, 7, 3,
         Utc(2019, 4, 8)},
        {"-rw-r--r--   1 root     root            1 Dec 09 22:54 name with  spaces.txt", "name with  spaces.txt",
         kFile, 1, 1, 2, Utc(2026, 12, 9, 22, 54)},
        {"-rw-r--r--   1 root     root           15 Dec 09 22:54 story1.txt", "story1.txt", kFile, 1, 15, 2,
         Utc(2026, 12, 9, 22, 54)},
        // Captured from vsftpd.
        {"drwxr-xr-x    2 0        0            4096 Apr 08  2019 archive", "archive", kFolder, 1, 4096, 3,
         Utc(2019, 4, 8)},
        {"-rw-r--r--    1 0        0        3000000000 Dec 09 22:54 big.wav", "big.wav", kFile, 1, 3000000000, 2,
         Utc(2026, 12, 9, 22, 54)},
        {"lrwxrwxrwx    1 0        0               7 Apr 08  2019 latest -> archive", "latest", kBoth, 1, 7, 3,
         Utc(2019, 4, 8)},
        {"-rw-r--r--    1 0        0               1 Dec 09 22:54 name with  spaces.txt", "name with  spaces.txt",
         kFile, 1, 1, 2, Utc(2026, 12, 9, 22, 54)},
    };
    FtpListParser parser = ParserAt(kListingNow);
    for (const Row& row : rows) ExpectRow(parser, row);
}

TEST(FtpListParser, TrailingCarriageReturnIsNotPartOfTheName) {
    const Row rows[] = {
        {"-rw-r--r--   1 news     staff          5 Mar  3 14:05 a.txt\r", "a.txt", kFile, 1, 5, 2,
         Utc(2026, 3, 3, 14, 5)},
        {"+r,\tx.txt\r", "x.txt", kFile, 0, 0, 0, 0},
        {"04-14-19  12:47AM                  589 story.htm\r", "story.htm", kFile, 1, 589, 2,
         Utc(2019, 4, 14, 0, 47)},
    };
    FtpListParser parser = ParserAt(kListingNow);
    for (const Row& row : rows) ExpectRow(parser, row);
}

TEST(FtpListParser, NamesAndIdsAreKeptWholeUpToAZeroByte) {
    FtpListParser parser = ParserAt(kListingNow);
    FtpListEntry entry;
    const std::string longName(1000, 'n');
    ASSERT_TRUE(parser.ParseListLine(entry, "-rw-r--r-- 1 u g 5 Mar  3 14:05 " + longName));
    EXPECT_EQ(entry.name, longName);
    const std::string longId(700, '7');
    ASSERT_TRUE(parser.ParseListLine(entry, "+i" + longId + ",\t" + longName));
    EXPECT_EQ(entry.idType, 1);
    EXPECT_EQ(entry.id, longId);
    EXPECT_EQ(entry.name, longName);

    ASSERT_TRUE(parser.ParseListLine(entry, "-rw-r--r-- 1 u g 5 Mar  3 14:05 ab\0cd"sv));
    EXPECT_EQ(entry.name, "ab");
    ASSERT_TRUE(parser.ParseListLine(entry, "+ia\0b,\tx"sv));
    EXPECT_EQ(entry.id, "a");
    EXPECT_FALSE(parser.ParseListLine(entry, "-rw-r--r-- 1 u g 5 Mar  3 14:05 \0cd"sv));
}

TEST(FtpListParser, HugeNumbersSaturateInsteadOfWrapping) {
    const Row rows[] = {
        {"-rw-r--r-- 1 u g 99999999999999999999999 Apr  8  2019 huge", "huge", kFile, 1, kMaxSize, 3,
         Utc(2019, 4, 8)},
        {"-rw-r--r-- 1 u g 9223372036854775807 Apr  8  2019 max", "max", kFile, 1, kMaxSize, 3, Utc(2019, 4, 8)},
        {"+s18446744073709551616,m99999999999999999999,\thuge", "huge", kNeither, 1, kMaxSize, 1, kMaxSize},
        {"04-14-19  12:47AM 99999999999999999999 huge", "huge", kFile, 1, kMaxSize, 2, Utc(2019, 4, 14, 0, 47)},
    };
    FtpListParser parser = ParserAt(kListingNow);
    for (const Row& row : rows) ExpectRow(parser, row);

    // Absurd dates and clocks give some time but never overflow.
    FtpListEntry entry;
    EXPECT_TRUE(parser.ParseListLine(
        entry, "-rw-r--r-- 1 u g 1 Mar 99999999999999999999 99999999999999999999999 absurd"));
    EXPECT_TRUE(parser.ParseListLine(entry, "-rw-r--r-- 1 u g 1 Mar 99999999999999999999 99:99 absurd"));
    EXPECT_TRUE(parser.ParseListLine(
        entry, "99999999999999999999-99999999999999999999-99999999999999999999 99999999999999999999:"
               "99999999999999999999PM 1 absurd"));
    EXPECT_TRUE(parser.ParseListLine(
        entry, "X;1 1 99999999999999999999-JAN-99999999999999999999 99999999999999999999:99999999999999999999"));
    EXPECT_TRUE(parser.ParseListLine(entry, "00-00-00  00:00AM 1 zero"));
}

TEST(FtpListParser, GarbageAndCutShortLinesAreNotRecognised) {
    const std::string_view lines[] = {
        "",
        "x",
        "\r",
        "-\r",
        "total 12",
        "total 0",
        "550 No files found",
        "hello world",
        "Disk quota exceeded",
        "12345",
        "?rw-r--r-- 1 u g 5 Mar  3 14:05 x",
        // Unix lines ending in or right after the date and time.
        "-rw-r--r--   1 news     staff       2048 Mar  3 14:05",
        "-rw-r--r--   1 news     staff       2048 Mar  3 14:05 ",
        "-rw-r--r--   1 news     staff       2048 Mar  3 14:05 \r",
        "-rw-r--r--   1 news     staff       2048 Mar  3 14:05\r",
        "-rw-r--r--   1 news     staff       2048 Mar  3 14:0",
        "-rw-r--r--   1 news     staff       2048 Mar  3 14:0 ",
        "-rw-r--r--   1 news     staff       2048 Mar  3",
        "-rw-r--r--   1 news     staff       2048 Ma",
        "-rw-r--r--   1 news     staff       2048",
        "drwxr-xr-x   2 news     staff        512 Apr  8  19 x",
        "lrwxrwxrwx   1 news     staff          7 Jan 25 00:17  -> archive",
        "-rw-r--r--   1 news     staff       2048 Foo  3 14:05 nomonth",
        // VMS lines cut short or with a bad month.
        "NEWS.DIR;1",
        "NEWS.DIR;1          1",
        "NEWS.DIR;1          1 ",
        "NEWS.DIR;1          1  8-SEP",
        "NEWS.DIR;1          1  8-SEP-2018",
        "NEWS.DIR;1          1  8-SEP-2018 16",
        "NEWS.DIR;1          1  8-SEP-2018 16:",
        "FILE.TXT;1          1  8-XYZ-2018 16:09 [SYSTEM]",
        ";1          1  8-SEP-2018 16:09 [SYSTEM]",
        // MS-DOS lines cut short.
        "04-14-19",
        "04-14-19  ",
        "04-14-19  12",
        "04-14-19  12:4",
        "04-14-19  12:47AM",
        "04-14-19  12:47AM   ",
        "04-14-19  12:47AM                  589",
        "04-14-19  12:47AM                  589   ",
        "04-27-19  09:09PM       <DIR>",
        "04-27-19  09:09PM       <DIR>   ",
        "04-27-2019  21:09",
        // "+" lines without a tab or a name.
        "+s280,m1555555555,r,story.htm",
        "+s280,\t",
        "+s280,\t\r",
    };
    FtpListParser parser = ParserAt(kListingNow);
    for (const std::string_view line : lines) ExpectNotRecognised(parser, line);
}

TEST(FtpListParser, EachParseStartsFromAnEmptyEntry) {
    FtpListParser parser = ParserAt(kListingNow);
    FtpListEntry entry;
    ASSERT_TRUE(parser.ParseListLine(entry, "+i42,s10,m5,r,/,\tx"));
    ASSERT_TRUE(parser.ParseListLine(entry, "NEWS.DIR;1  1  8-SEP-2018 16:09"));
    EXPECT_EQ(entry.idType, 0);
    EXPECT_EQ(entry.id, "");
    EXPECT_EQ(entry.sizeType, 0);
    EXPECT_EQ(entry.size, 0);
    EXPECT_FALSE(entry.mayBeFile);
    ASSERT_TRUE(parser.ParseListLine(entry, "+i42,s10,m5,r,/,\tx"));
    EXPECT_FALSE(parser.ParseListLine(entry, "+i42,s10,m5,r,/,"));
    EXPECT_EQ(entry.idType, 0);
    EXPECT_EQ(entry.sizeType, 0);
    EXPECT_EQ(entry.timeType, 0);
    EXPECT_FALSE(entry.mayBeFile);
    EXPECT_FALSE(entry.mayBeFolder);
}

int64_t GuessedTime(FtpListParser& parser, std::string_view monthAndDay) {
    FtpListEntry entry;
    const std::string line = "-rw-r--r-- 1 news staff 1 " + std::string(monthAndDay) + " 10:30 x";
    EXPECT_TRUE(parser.ParseListLine(entry, line)) << line;
    EXPECT_EQ(entry.timeType, 2) << line;
    return entry.time;
}

TEST(FtpListParser, YearOfARecentDateIsGuessedFromNow) {
    FtpListParser december = ParserAt(Utc(2024, 12, 5, 12, 0));
    EXPECT_EQ(GuessedTime(december, "Dec 20"), Utc(2024, 12, 20, 10, 30));
    EXPECT_EQ(GuessedTime(december, "Dec  1"), Utc(2024, 12, 1, 10, 30));
    EXPECT_EQ(GuessedTime(december, "Jan  1"), Utc(2024, 1, 1, 10, 30));

    FtpListParser january = ParserAt(Utc(2025, 1, 5, 12, 0));
    EXPECT_EQ(GuessedTime(january, "Dec 30"), Utc(2024, 12, 30, 10, 30));
    EXPECT_EQ(GuessedTime(january, "Jan 20"), Utc(2025, 1, 20, 10, 30));
    EXPECT_EQ(GuessedTime(january, "Jan 22"), Utc(2024, 1, 22, 10, 30));

    // 350 days back is already too far; 349 is not.
    FtpListParser edge = ParserAt(Utc(2023, 12, 5, 0, 0));
    EXPECT_EQ(GuessedTime(edge, "Dec 20"), Utc(2023, 12, 20, 10, 30));
    EXPECT_EQ(GuessedTime(edge, "Dec 21"), Utc(2022, 12, 21, 10, 30));

    // A leap day in a year without one carries into March.
    FtpListParser march = ParserAt(Utc(2025, 3, 10, 0, 0));
    EXPECT_EQ(GuessedTime(march, "Feb 29"), Utc(2025, 3, 1, 10, 30));
}

TEST(FtpListParser, CurrentYearIsFixedAtTheFirstGuessButNowIsReadEachTime) {
    int64_t now = Utc(2025, 1, 5, 12, 0);
    FtpListParser parser([&now] { return static_cast<std::time_t>(now); });
    EXPECT_EQ(GuessedTime(parser, "Dec 30"), Utc(2024, 12, 30, 10, 30));
    now = Utc(2025, 12, 31, 12, 0);
    EXPECT_EQ(GuessedTime(parser, "Dec 30"), Utc(2025, 12, 30, 10, 30));

    // The years tried start one before the year first seen.
    int64_t later = Utc(2030, 6, 1);
    FtpListParser moved([&later] { return static_cast<std::time_t>(later); });
    EXPECT_EQ(GuessedTime(moved, "Jan 10"), Utc(2030, 1, 10, 10, 30));
    later = Utc(2024, 6, 1);
    EXPECT_EQ(GuessedTime(moved, "Jan 10"), Utc(2029, 1, 10, 10, 30));

    // No year of the century ahead fits: year 0.
    int64_t far = Utc(1990, 1, 1);
    FtpListParser stale([&far] { return static_cast<std::time_t>(far); });
    EXPECT_EQ(GuessedTime(stale, "Jan 10"), Utc(1990, 1, 10, 10, 30));
    far = Utc(2200, 1, 1);
    EXPECT_EQ(GuessedTime(stale, "Jan 10"), DayCountSeconds(0, 0, 10) + 10 * 3600 + 30 * 60);
}

TEST(FtpListParser, RealClockIsUsedWithoutAnInjectedNow) {
    FtpListParser parser;
    FtpListEntry entry;
    ASSERT_TRUE(parser.ParseListLine(entry, "-rw-r--r-- 1 news staff 1 Jan  1 00:00 x"));
    const int64_t now = static_cast<int64_t>(std::time(nullptr));
    EXPECT_GT(entry.time, now - 366 * 86400);
    EXPECT_LT(entry.time, now + 366 * 86400);
}

TEST(FtpListDayCount, AgreesWithTheCLibraryFrom1600To2400) {
    for (int64_t t = Utc(1600, 1, 1); t < Utc(2401, 1, 1); t += 86400) {
        const std::time_t seconds = static_cast<std::time_t>(t);
        std::tm tm{};
        gmtime_r(&seconds, &tm);
        ASSERT_EQ(DayCountSeconds(tm.tm_year + 1900, tm.tm_mon, tm.tm_mday), t)
            << tm.tm_year + 1900 << "-" << tm.tm_mon + 1 << "-" << tm.tm_mday;
    }
}

TEST(FtpListDayCount, CarriesDaysAndMonthsOutOfRange) {
    EXPECT_EQ(DayCountSeconds(1970, 0, 1), 0);
    EXPECT_EQ(DayCountSeconds(2024, 1, 30), Utc(2024, 3, 1));
    EXPECT_EQ(DayCountSeconds(2023, 1, 29), Utc(2023, 3, 1));
    EXPECT_EQ(DayCountSeconds(2024, 0, 0), Utc(2023, 12, 31));
    EXPECT_EQ(DayCountSeconds(2024, 0, 367), Utc(2025, 1, 1));
    EXPECT_EQ(DayCountSeconds(2024, 12, 1), Utc(2025, 1, 1));
    EXPECT_EQ(DayCountSeconds(2024, -1, 1), Utc(2023, 12, 1));
    EXPECT_EQ(DayCountSeconds(1969, 11, 31), -86400);
    // Inputs far outside any calendar still give a value, without overflow.
    DayCountSeconds(INT64_MAX, INT_MAX, INT64_MAX);
    DayCountSeconds(INT64_MIN, INT_MIN, INT64_MIN);
}

}  // namespace
}  // namespace pv
