#include <gtest/gtest.h>

#include <filesystem>
#include <thread>
#include <vector>

#include "config/Ini.h"
#include "support/TempDir.h"

namespace pv {
namespace {

namespace fs = std::filesystem;
using test::ReadWholeFile;
using test::TempDir;
using test::WriteWholeFile;

class IniTest : public ::testing::Test {
protected:
    std::string Ini(const std::string& bytes) {
        WriteWholeFile(m_path, bytes);
        return m_path;
    }
    std::string Contents() const { return ReadWholeFile(m_path); }

    TempDir m_dir;
    std::string m_path = m_dir / "Pressvane.ini";
    CIni m_ini;
};

TEST_F(IniTest, CacheIsOnFromTheStart) { EXPECT_TRUE(m_ini.CacheEnabled()); }

TEST_F(IniTest, MissingKeyGivesTheDefaultAndIsWrittenWhenForced) {
    EXPECT_EQ(m_ini.ReadString("Pressvane", "TraceLogFilename", "", Ini("[Pressvane]\r\n"), true, false), "");
    EXPECT_EQ(m_ini.ReadString("Debug", "Range", "3 - 60", m_path, true, false), "3 - 60");
    EXPECT_EQ(Contents(), "[Pressvane]\r\nTraceLogFilename=\r\n[Debug]\r\nRange=3 - 60\r\n");
}

TEST_F(IniTest, MissingKeyIsNotCreatedWithoutForce) {
    EXPECT_EQ(m_ini.ReadString("S", "k", "d", m_path, false, false), "d");
    EXPECT_FALSE(fs::exists(m_path));
    EXPECT_EQ(m_ini.ReadString("S", "k", "d", Ini("[S]\r\nk=zzQMDefault\r\n"), false, false), "d");
    EXPECT_EQ(Contents(), "[S]\r\nk=zzQMDefault\r\n");
}

TEST_F(IniTest, PresentKeyIsReturnedAndKeptWithoutForce) {
    EXPECT_EQ(m_ini.ReadString("s", "K", "d", Ini("[S]\r\nk=value\r\n"), false, false), "value");
    EXPECT_EQ(Contents(), "[S]\r\nk=value\r\n");
}

TEST_F(IniTest, MarkerValueCountsAsMissingAndIsReplacedByTheDefault) {
    EXPECT_EQ(m_ini.ReadString("S", "k", "real", Ini("[S]\r\nk=zzQMDefault\r\n"), true, false), "real");
    EXPECT_EQ(Contents(), "[S]\r\nk=real\r\n");
    // The marker is matched exactly.
    EXPECT_EQ(m_ini.ReadString("S", "j", "d", Ini("[S]\r\nj=ZZQMDEFAULT\r\n"), true, false), "ZZQMDEFAULT");
}

TEST_F(IniTest, LongValuesAreReadWholeAndNotCut) {
    const std::string value(2000, 'v');
    const std::string bytes = "[S]\r\nk=" + value + "\r\n";
    EXPECT_EQ(m_ini.ReadString("S", "k", "", Ini(bytes), true, false), value);
    EXPECT_EQ(Contents(), bytes);
}

TEST_F(IniTest, ACachedValueIsReturnedWithoutLookingAtTheFile) {
    EXPECT_EQ(m_ini.ReadString("S", "k", "", Ini("[S]\r\nk=first\r\n"), true, false), "first");
    WriteWholeFile(m_path, "[S]\r\nk=changed\r\n");
    EXPECT_EQ(m_ini.ReadString("S", "k", "", m_path, true, false), "first");
    EXPECT_EQ(m_ini.ReadString("S", "k", "", m_path, true, true), "changed");
    // The bypassing read wrote its value, so the cache now holds it.
    WriteWholeFile(m_path, "[S]\r\nk=again\r\n");
    EXPECT_EQ(m_ini.ReadString("S", "k", "", m_path, true, false), "changed");
}

TEST_F(IniTest, TheCacheKeyTellsFilesSectionsAndKeysApart) {
    const std::string other = m_dir / "Other.ini";
    WriteWholeFile(other, "[S]\r\nk=other\r\n");
    EXPECT_EQ(m_ini.ReadString("S", "k", "", Ini("[S]\r\nk=main\r\n"), true, false), "main");
    EXPECT_EQ(m_ini.ReadString("S", "k", "", other, true, false), "other");
    // Names are compared as passed: another spelling is read from the file.
    WriteWholeFile(m_path, "[S]\r\nk=edited\r\n");
    EXPECT_EQ(m_ini.ReadString("s", "k", "", m_path, true, false), "edited");
}

TEST_F(IniTest, ReadBoolTakesYesTrueOnAndOneAndKeepsTheWord) {
    const std::vector<std::pair<std::string, bool>> cases = {
        {"Yes", true}, {"yes", true},  {"TRUE", true}, {"on", true}, {"1", true},  {"No", false},
        {"0", false},  {"2", false},   {"", false},    {"Y", false}, {"off", false}, {"yes please", false},
    };
    for (const auto& [word, expected] : cases) {
        CIni ini;
        const std::string bytes = "[S]\r\nflag=" + word + "\r\n";
        EXPECT_EQ(ini.ReadBool("S", "flag", !expected, Ini(bytes), true), expected) << word;
        EXPECT_EQ(Contents(), bytes) << word;
    }
}

TEST_F(IniTest, ReadBoolWritesItsDefaultAsYesOrNo) {
    EXPECT_TRUE(m_ini.ReadBool("S", "a", true, m_path, true));
    EXPECT_FALSE(m_ini.ReadBool("S", "b", false, m_path, true));
    EXPECT_EQ(Contents(), "[S]\r\na=Yes\r\nb=No\r\n");
}

TEST_F(IniTest, ReadIntUsesTheLeadingDigitsAndKeepsTheText) {
    EXPECT_EQ(m_ini.ReadInt("Debug", "Delay", 3, Ini("[Debug]\r\nDelay=12abc\r\n"), true), 12);
    EXPECT_EQ(m_ini.ReadInt("Debug", "Other", -7, m_path, true), -7);
    EXPECT_EQ(m_ini.ReadInt("Debug", "Word", 5, m_path, true), 5);
    m_ini.WriteString("Debug", "Word", "none", m_path);
    EXPECT_EQ(m_ini.ReadInt("Debug", "Word", 5, m_path, true), 0);
    EXPECT_EQ(Contents(), "[Debug]\r\nDelay=12abc\r\nOther=-7\r\nWord=none\r\n");
}

TEST_F(IniTest, WritingTheSameValueTwiceTouchesTheFileOnce) {
    ASSERT_TRUE(m_ini.WriteString("S", "k", "v", m_path));
    WriteWholeFile(m_path, "[S]\r\nk=edited elsewhere\r\n");
    EXPECT_TRUE(m_ini.WriteString("S", "k", "v", m_path));
    EXPECT_EQ(Contents(), "[S]\r\nk=edited elsewhere\r\n");
    // Case matters: another spelling of the value is written.
    EXPECT_TRUE(m_ini.WriteString("S", "k", "V", m_path));
    EXPECT_EQ(Contents(), "[S]\r\nk=V\r\n");
}

TEST_F(IniTest, WriteIntWritesDecimal) {
    ASSERT_TRUE(m_ini.WriteInt("S", "n", -120, m_path));
    EXPECT_EQ(Contents(), "[S]\r\nn=-120\r\n");
}

TEST_F(IniTest, AFailedWriteIsReportedAndNotRemembered) {
    const std::string path = m_dir / "Pressvane/Pressvane.ini";
    EXPECT_FALSE(m_ini.WriteString("S", "k", "v", path));
    EXPECT_EQ(m_ini.ReadString("S", "k", "d", path, true, false), "d");
    fs::create_directory(m_dir / "Pressvane");
    EXPECT_TRUE(m_ini.WriteString("S", "k", "v", path));
    EXPECT_EQ(ReadWholeFile(path), "[S]\r\nk=v\r\n");
}

TEST_F(IniTest, TwoThreadsCanShareOneIni) {
    constexpr int kKeys = 15;
    auto worker = [this](const std::string& prefix) {
        for (int i = 0; i < kKeys; ++i) {
            const std::string key = prefix + std::to_string(i);
            EXPECT_EQ(m_ini.ReadInt("S", key, i, m_path, true), i);
            EXPECT_TRUE(m_ini.WriteInt("S", key, i + 1, m_path));
        }
    };
    std::thread first(worker, "a");
    std::thread second(worker, "b");
    first.join();
    second.join();
    CIni fresh;
    for (int i = 0; i < kKeys; ++i) {
        EXPECT_EQ(fresh.ReadInt("S", "a" + std::to_string(i), -1, m_path, false), i + 1);
        EXPECT_EQ(fresh.ReadInt("S", "b" + std::to_string(i), -1, m_path, false), i + 1);
    }
}

}  // namespace
}  // namespace pv
