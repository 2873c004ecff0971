#include <gtest/gtest.h>

#include "config/ProfileFile.h"
#include "config/RouteReader.h"
#include "support/TempDir.h"

namespace pv {
namespace {

class Routes : public ::testing::Test {
protected:
    void WriteSettings(const std::string& text) { test::WriteWholeFile(File(), text); }
    std::string File() const { return dir / "Pressvane.ini"; }
    std::string Settings() const { return test::ReadWholeFile(File()); }
    RouteList Read(bool execute = false) {
        SettingsReader reads(File());
        RouteReader reader(reads, ini, dir.Folder(), execute);
        return reader.ReadRoutes();
    }
    // "Key=value" as the file now holds it (blanks around the value aside).
    bool Has(const std::string& assignment, const char* section = "MoveFiles") const {
        const size_t equals = assignment.find('=');
        const std::string key = assignment.substr(0, equals);
        return ProfileFile(File()).GetString(section, key, "<missing>") == assignment.substr(equals + 1);
    }

    test::TempDir dir;
    CIni ini;
};

TEST_F(Routes, FoldersGetTheirSeparators) {
    const struct {
        const char* written;
        const char* normalised;
    } cases[] = {
        {"C:\\News\\In", "C:\\News\\In\\"},
        {"C:\\News\\In\\", "C:\\News\\In\\"},
        {"/srv/news/in", "/srv/news/in/"},
        {"ftp://host/in|ed|pw|", "ftp://host/in|ed|pw|/"},
        {"ftp://host/in/|ed|pw|", "ftp://host/in/|ed|pw|"},
        {"ftp://host/in", "ftp://host/in/"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NormaliseInputFolder(c.written), c.normalised) << c.written;
        EXPECT_EQ(NormaliseOutputFolder(c.written), c.normalised) << c.written;
    }
}

TEST_F(Routes, InputFolderIsWrittenBackWithItsSeparatorAndOutputsKeepTheirText) {
    WriteSettings("[MoveFiles]\r\nIn0=  C:\\News\\In  \r\nOut0=C:\\A, D:\\B\\ ,ftp://h/x|u|p|\r\n");
    const RouteList routes = Read();
    ASSERT_EQ(routes.size(), 1u);
    EXPECT_EQ(routes[0]->m_inDir.Written(), "C:\\News\\In\\");
    std::vector<std::string> outputs;
    for (const Location& output : routes[0]->m_destDirs) outputs.push_back(output.Written());
    EXPECT_EQ(outputs, (std::vector<std::string>{"C:\\A\\", "D:\\B\\", "ftp://h/x|u|p|/"}));
    EXPECT_EQ(routes[0]->m_destDirs[2].Display(), "ftp://h/x/");
    EXPECT_EQ(routes[0]->m_destDirs[2].User(), "u");
    EXPECT_TRUE(Has("In0=C:\\News\\In\\"));
    EXPECT_NE(Settings().find("Out0=C:\\A, D:\\B\\ ,ftp://h/x|u|p|\r\n"), std::string::npos);
}

TEST_F(Routes, NumberingGapsAndEmptyRoutes) {
    WriteSettings("[MoveFiles]\r\nIn0=/a\r\nIn2=/c\r\n");
    EXPECT_EQ(Read().size(), 1u);
    EXPECT_FALSE(Has("In1=QM_No_Dir_Specified"));
    EXPECT_EQ(Settings().find("QM_No_Dir_Specified"), std::string::npos);

    WriteSettings("[MoveFiles]\r\nIn0=/a\r\nIn1=\r\nIn2=/c\r\n");
    const RouteList routes = Read();
    ASSERT_EQ(routes.size(), 2u);
    EXPECT_EQ(routes[1]->m_inDir.Written(), "/c/");
    // Each route keeps the number of its keys, not its place in the list.
    EXPECT_EQ(routes[0]->m_nRouteNumber, 0);
    EXPECT_EQ(routes[1]->m_nRouteNumber, 2);
}

TEST_F(Routes, SpecialWordsAreNormalised) {
    WriteSettings(
        "[MoveFiles]\r\nIn0=/a\r\nScanTwice0= FtpOnly \r\nPrecreateTxtFileCommand0=AddUnique\r\n"
        "UniqueFile0=Yess\r\nProcessDatFiles0= off \r\nLinkExtsForLine1_0=JPG, Bmp\r\nAliases0= news , sport \r\n"
        "In1=/b\r\nScanTwice1=false\r\nPrecreateTxtFileCommand1=replace text only\r\n"
        "In2=/c\r\nScanTwice2=whatever\r\nPrecreateTxtFileCommand2=bogus\r\n");
    const RouteList routes = Read();
    ASSERT_EQ(routes.size(), 3u);
    EXPECT_EQ(routes[0]->m_eScanTwice, ScanTwiceMode::ftpOnly);
    EXPECT_EQ(routes[1]->m_eScanTwice, ScanTwiceMode::never);
    EXPECT_EQ(routes[2]->m_eScanTwice, ScanTwiceMode::always);
    EXPECT_TRUE(Has("ScanTwice0=FTPOnly") && Has("ScanTwice1=No") && Has("ScanTwice2=Yes"));
    EXPECT_EQ(routes[0]->m_nPrecreateCommand, kCmdAddUnique);
    EXPECT_EQ(routes[1]->m_nPrecreateCommand, kCmdReplaceTextOnly);
    EXPECT_EQ(routes[2]->m_nPrecreateCommand, kCmdAdd);
    EXPECT_TRUE(Has("PrecreateTxtFileCommand0=Add Unique") && Has("PrecreateTxtFileCommand1=Replace Text Only") &&
                Has("PrecreateTxtFileCommand2=Add"));
    EXPECT_TRUE(routes[0]->m_bUniqueFile);
    EXPECT_TRUE(Has("UniqueFile0=Yes"));
    EXPECT_FALSE(routes[0]->m_bProcessDatFiles);
    EXPECT_EQ(routes[0]->m_strLinkExts[0], (std::vector<std::string>{"jpg", "bmp"}));
    EXPECT_TRUE(Has("LinkExtsForLine1_0=JPG, Bmp"));
    EXPECT_EQ(routes[0]->m_strAliases, (std::vector<std::string>{"news", "sport"}));
    EXPECT_TRUE(Has("Aliases0=news , sport"));

    // A second read of what was written back means the same.
    const RouteList again = Read();
    EXPECT_EQ(again[0]->m_nPrecreateCommand, kCmdAddUnique);
    EXPECT_EQ(again[0]->m_eScanTwice, ScanTwiceMode::ftpOnly);
}

TEST_F(Routes, ExecuteKeyIsOnlyReadWhenStartedWithExecute) {
    WriteSettings("[MoveFiles]\r\nIn0=/a\r\n");
    EXPECT_FALSE(Read(false)[0]->m_bExecuteBatsAfterMove);
    EXPECT_EQ(Settings().find("ExecuteBatsAfterMove0"), std::string::npos);
    WriteSettings("[MoveFiles]\r\nIn0=/a\r\nExecuteBatsAfterMove0=yes\r\n");
    EXPECT_TRUE(Read(true)[0]->m_bExecuteBatsAfterMove);
}

TEST_F(Routes, OldSingleFolderConfigurationBecomesARoute) {
    WriteSettings(
        "[Pressvane]\r\nNew Files Path=C:\\Old\\In\r\nAliasesIn=news;sport\r\nSummaryLengthIn=99\r\n"
        "[MoveFiles]\r\nIn0=/a\r\n");
    {
        SettingsReader reads(File());
        RouteReader(reads, ini, dir.Folder(), false).ConvertOldConfiguration();
    }
    EXPECT_TRUE(Has("In1=C:\\Old\\In"));
    EXPECT_TRUE(Has("Aliases1=QMUseDBFolderAlias,news;sport"));
    EXPECT_TRUE(Has("SummaryLength1=99"));
    EXPECT_TRUE(Has("New Files Path=You may delete this key, it will not be looked at or used.", "Pressvane"));
    const RouteList routes = Read();
    ASSERT_EQ(routes.size(), 2u);
    EXPECT_EQ(routes[1]->m_strAliases.front(), "QMUseDBFolderAlias");
    EXPECT_TRUE(routes[1]->m_bProcessDatFiles);

    // Converted once: a second conversion leaves the routes alone.
    const std::string before = Settings();
    SettingsReader reads(File());
    RouteReader(reads, ini, dir.Folder(), false).ConvertOldConfiguration();
    EXPECT_EQ(Settings(), before);
}

}  // namespace
}  // namespace pv
