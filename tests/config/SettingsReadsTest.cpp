#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <optional>
#include <vector>

#include "config/Ini.h"
#include "config/SettingsReads.h"
#include "support/TempDir.h"

namespace pv {
namespace {

namespace fs = std::filesystem;
using test::ReadWholeFile;
using test::TempDir;
using test::WriteWholeFile;

// A key line "k=<value>" in section [S], or no key at all.
std::string FileWithKey(const std::optional<std::string>& value) {
    return value ? "[S]\r\nk=" + *value + "\r\n" : "[S]\r\n";
}

class SettingsReadsTest : public ::testing::Test {
protected:
    SettingsReader& Reader(const std::string& bytes) {
        WriteWholeFile(m_path, bytes);
        return m_reader;
    }
    std::string Contents() const { return ReadWholeFile(m_path); }

    TempDir m_dir;
    std::string m_path = m_dir / "Pressvane.ini";
    SettingsReader m_reader{m_path};
};

TEST_F(SettingsReadsTest, StringIsWrittenBackUnchanged) {
    EXPECT_EQ(Reader("[HeartBeat]\r\nFilename = C:\\x.txt \r\n").String("heartbeat", "FILENAME", "d"), "C:\\x.txt");
    EXPECT_EQ(Contents(), "[HeartBeat]\r\nFilename = C:\\x.txt \r\n");
    EXPECT_EQ(m_reader.String("HeartBeat", "Other", "C:\\Temp\\PressvaneHeartBeat.txt"),
              "C:\\Temp\\PressvaneHeartBeat.txt");
    EXPECT_EQ(Contents(), "[HeartBeat]\r\nFilename = C:\\x.txt \r\nOther=C:\\Temp\\PressvaneHeartBeat.txt\r\n");
    EXPECT_EQ(m_reader.File(), m_path);
}

TEST_F(SettingsReadsTest, IntegerIsLimitedAndWrittenInDecimal) {
    struct Case {
        std::optional<std::string> value;
        int defaultValue;
        std::optional<int> min, max;
        int expected;
    };
    const std::vector<Case> cases = {
        {std::nullopt, 5, 1, std::nullopt, 5},
        {"12", 5, std::nullopt, std::nullopt, 12},
        {"12 seconds", 5, std::nullopt, std::nullopt, 12},
        {"seconds", 5, std::nullopt, std::nullopt, 0},
        {"0", 5, 1, std::nullopt, 1},
        {"-3", 5, 1, std::nullopt, 1},
        {"150", 20, 0, 100, 100},
        {"-1", 20, 0, 100, 0},
        {"99999999999", 20, std::nullopt, std::nullopt, INT_MAX},
    };
    for (const Case& c : cases) {
        const int got = Reader(FileWithKey(c.value)).Integer("S", "k", c.defaultValue, c.min, c.max);
        EXPECT_EQ(got, c.expected) << c.value.value_or("(missing)");
        EXPECT_EQ(Contents(), FileWithKey(std::to_string(c.expected))) << c.value.value_or("(missing)");
    }
}

struct BoolCase {
    std::optional<std::string> value;  // nullopt: the key is missing
    const char* defaultWord;
    bool expected;
};

TEST_F(SettingsReadsTest, PositiveBoolIsTrueForYesOrOn) {
    const std::vector<BoolCase> cases = {
        {std::nullopt, "Yes", true}, {std::nullopt, "No", false}, {std::nullopt, "Off", false},
        {"yes", "No", true},         {"ON", "No", true},          {"True", "No", false},
        {"1", "Yes", false},         {"No", "Yes", false},        {"", "Yes", false},
        {"Yess", "Yes", false},
    };
    for (const BoolCase& c : cases) {
        EXPECT_EQ(Reader(FileWithKey(c.value)).PositiveBool("S", "k", c.defaultWord), c.expected)
            << c.value.value_or("(missing)");
        EXPECT_EQ(Contents(), FileWithKey(std::string(YesNo(c.expected)))) << c.value.value_or("(missing)");
    }
}

TEST_F(SettingsReadsTest, PositiveBoolCanAlsoAcceptTrue) {
    EXPECT_TRUE(Reader(FileWithKey("TRUE")).PositiveBool("S", "k", "No", true));
    EXPECT_EQ(Contents(), FileWithKey("Yes"));
    EXPECT_FALSE(Reader(FileWithKey("1")).PositiveBool("S", "k", "No", true));
}

TEST_F(SettingsReadsTest, NegativeBoolIsFalseOnlyForNoFalseOrOff) {
    const std::vector<BoolCase> cases = {
        {"No", "Yes", false},   {"false", "Yes", false},    {"OFF", "Yes", false},  {"\" off \"", "Yes", false},
        {"Yes", "No", true},    {"Nope", "No", true},       {"", "No", true},       {"0", "No", true},
        {std::nullopt, "Yes", true}, {std::nullopt, "No", false}, {std::nullopt, " no ", false},
    };
    for (const BoolCase& c : cases) {
        EXPECT_EQ(Reader(FileWithKey(c.value)).NegativeBool("S", "k", c.defaultWord), c.expected)
            << c.value.value_or("(missing)");
        EXPECT_EQ(Contents(), FileWithKey(std::string(YesNo(c.expected)))) << c.value.value_or("(missing)");
    }
}

TEST_F(SettingsReadsTest, MarkerBoolDoesNotTakeOneButCIniDoes) {
    EXPECT_FALSE(Reader(FileWithKey("1")).MarkerBool("S", "k", true));
    EXPECT_EQ(Contents(), FileWithKey("1"));
    CIni ini;
    EXPECT_TRUE(ini.ReadBool("S", "k", false, m_path, true));
    for (const char* word : {"Yes", "tRUE", "on"}) EXPECT_TRUE(Reader(FileWithKey(word)).MarkerBool("S", "k", false));
}

TEST_F(SettingsReadsTest, MarkerReadsFollowTheMarkerRules) {
    EXPECT_EQ(Reader("[S]\r\nk=zzQMDefault\r\n").MarkerString("S", "k", "CUTID"), "CUTID");
    EXPECT_EQ(Contents(), "[S]\r\nk=CUTID\r\n");
    EXPECT_EQ(m_reader.MarkerString("S", "quiet", "d", false), "d");
    EXPECT_TRUE(m_reader.MarkerBool("ONHOLD", "Put-Retries-On-Hold", true));
    EXPECT_EQ(m_reader.MarkerInt("Alias Retry", "Alias Retry Delay In Seconds", 120), 120);
    EXPECT_EQ(Contents(), "[S]\r\nk=CUTID\r\n[ONHOLD]\r\nPut-Retries-On-Hold=Yes\r\n"
                          "[Alias Retry]\r\nAlias Retry Delay In Seconds=120\r\n");
    // No cache: a changed file is read again.
    WriteWholeFile(m_path, "[Alias Retry]\r\nAlias Retry Delay In Seconds=30s\r\n");
    EXPECT_EQ(m_reader.MarkerInt("Alias Retry", "Alias Retry Delay In Seconds", 120), 30);
    EXPECT_EQ(Contents(), "[Alias Retry]\r\nAlias Retry Delay In Seconds=30s\r\n");
}

TEST_F(SettingsReadsTest, PeekReadsWithoutWritingAndWriteWrites) {
    EXPECT_EQ(Reader("[S]\r\nk=1\r\n").Peek("s", "K", "d"), "1");
    EXPECT_EQ(m_reader.Peek("S", "missing", "d"), "d");
    EXPECT_EQ(Contents(), "[S]\r\nk=1\r\n");
    EXPECT_TRUE(m_reader.Write("S", "k", "2"));
    EXPECT_EQ(Contents(), "[S]\r\nk=2\r\n");
    EXPECT_TRUE(m_reader.LastWriteError().empty());
    EXPECT_FALSE(m_reader.Write("S", "bad=key", "x"));
    EXPECT_FALSE(m_reader.LastWriteError().empty());
}

TEST_F(SettingsReadsTest, AFailedWriteBackStillGivesTheValue) {
    SettingsReader reader(m_dir / "Pressvane/Pressvane.ini");
    EXPECT_TRUE(reader.LastWriteError().empty());
    EXPECT_FALSE(reader.PositiveBool("Pressvane", "Log", "Off"));
    EXPECT_EQ(reader.Integer("Pressvane", "Delay", 5, 1), 5);
    EXPECT_FALSE(reader.LastWriteError().empty());
    EXPECT_FALSE(fs::exists(m_dir / "Pressvane"));
}

}  // namespace
}  // namespace pv
