#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "FolderAliasFixture.h"
#include "publish/StoryAliases.h"

namespace pv {
namespace {

namespace fs = std::filesystem;

class FolderAliasReading : public test::FolderAliasFixture {};

// ---------------------------------------------------------------------------
// Which file, which line

TEST_F(FolderAliasReading, TheAliasLineMatchesWithoutCaseElseTheFirstUsableLineServes) {
    WriteCentral({"; the default comes first", " Indented;output_filename=Indented.htm", "",
                  "Default;output_filename=Default.htm;no_index", "Sports",
                  "News;output_filename=News.htm;replace_file", "Local News ;output_filename=Local.htm",
                  "news;output_filename=Second.htm"});
    const struct {
        std::string alias;
        std::string outputFilename;
    } cases[] = {
        {"News", "News.htm"},       {"NEWS", "News.htm"},         {"news", "News.htm"},
        {"Sports", "Default.htm"},  {"Indented", "Default.htm"},  {"Unlisted", "Default.htm"},
        {"default", "Default.htm"}, {"Local News ", "Local.htm"}, {"Local News", "Default.htm"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.alias);
        ASSERT_TRUE(Read(c.alias).ok());
        EXPECT_EQ(story.options.outputFilename, c.outputFilename);
        EXPECT_EQ(story.options.noIndex, c.outputFilename == "Default.htm");
    }
    EXPECT_EQ(Fatals(), std::vector<std::string>{});
}

TEST_F(FolderAliasReading, AFirstUsableLineWithoutSemicolonGivesNoOptions) {
    WriteCentral({"Sports", "News;output_filename=News.htm"});
    EXPECT_FALSE(Read("Weather").ok());
    EXPECT_EQ(story.options.outputFilename, "");
    ASSERT_EQ(Fatals().size(), 1u);
    EXPECT_EQ(Fatals()[0].rfind("Neither Database= nor Output_Filename=\nwere specified in DBFolder.dat for alias "
                                "Weather\nOne of them must be specified.\n",
                                0),
              0u);
}

TEST_F(FolderAliasReading, TheInputFoldersCopyIsUsedBeforeTheWorkingFolders) {
    WriteCentral({"News;output_filename=Central.htm"});
    WriteInInputFolder({"News;output_filename=Input.htm"});
    ASSERT_TRUE(Read("News").ok());
    EXPECT_EQ(story.options.outputFilename, "Input.htm");
    EXPECT_EQ(reader.AliasFileFor(route).Display(), dir.Folder() + "in/Pressvane/DBFolder.dat");

    fs::remove(dir.Path() / "in" / "Pressvane" / "DBFolder.dat");
    ASSERT_TRUE(Read("News").ok());
    EXPECT_EQ(story.options.outputFilename, "Central.htm");

    // An edit shows at the next read: nothing is kept between reads.
    WriteCentral({"News;output_filename=Edited.htm"});
    ASSERT_TRUE(Read("News").ok());
    EXPECT_EQ(story.options.outputFilename, "Edited.htm");
}

TEST_F(FolderAliasReading, AnInputFolderInWindowsFormFindsItsCopyWhateverTheCaseOnDisk) {
    WriteCentral({"News;output_filename=Central.htm"});
    fs::create_directories(OnDriveD("In/pressvane"));
    test::WriteWholeFile(OnDriveD("In/pressvane/dbfolder.dat"), "News;output_filename=Input.htm\r\n");
    route.m_inDir = Location::Parse("D:\\In\\");
    EXPECT_EQ(reader.AliasFileFor(route).Display(), "D:\\In\\Pressvane\\DBFolder.dat");
    ASSERT_TRUE(Read("News").ok());
    EXPECT_EQ(story.options.outputFilename, "Input.htm");

    route.m_inDir = Location::Parse("D:\\Elsewhere\\");
    ASSERT_TRUE(Read("News").ok());
    EXPECT_EQ(story.options.outputFilename, "Central.htm");
}

TEST_F(FolderAliasReading, AFileThatCannotBeOpenedIsFatal) {
    route.m_bPostFatalErrorsToPinwell = true;
    const Status status = Read("News");
    EXPECT_FALSE(status.ok());
    const std::string text = "Fatal Error: can't open " + WorkingFolder() + "Pressvane/DBFolder.dat.";
    EXPECT_EQ(status.message(), text);
    EXPECT_EQ(Fatals(), std::vector<std::string>{text});
    EXPECT_TRUE(fatalFlag);
    // The route asks for a wire browser message: the slug heads it.
    EXPECT_EQ(test::ReadWholeFile(WorkingFolder() + "PINWELL/Pvane000.txt"), "Council vote z z\r\n" + text);
}

// ---------------------------------------------------------------------------
// Database, invalid and conflicting options

TEST_F(FolderAliasReading, TheDatabaseOptionNamesAFileInAnExistingFolder) {
    fs::create_directories(dir.Path() / "host-archive");
    const std::string hostArchive = dir.Folder() + "host-archive/";
    const struct {
        std::string line;
        bool ok;
        std::string databasePath, databaseFolder, outputFilename;
        std::vector<std::string> statusLines, fatals;
    } cases[] = {
        {"News;database=D:\\Archive\\;output_filename=News.htm;bogus",
         true,
         "D:\\Archive\\Super_Vorel.mdb",
         "",
         "",  // not read: options after the substitute database are not read
         {"No database name specified for folder alias News. We will use Super_Vorel.mdb."},
         {}},
        {"News;database=D:\\Archive",
         true,
         "D:\\Archive\\Super_Vorel.mdb",
         "",
         "",
         {"No database name specified for folder alias News. We will use Super_Vorel.mdb."},
         {}},
        {"News;database=D:\\Archive\\news.MDB;output_filename=News.htm",
         true,
         "D:\\Archive\\news.MDB",
         "D:\\Archive\\",
         "News.htm",
         {},
         {}},
        {"News;database=D:/Archive/news.mdb", true, "D:/Archive/news.mdb", "D:\\Archive\\", "", {}, {}},
        {"News;database=d:\\archive\\news.mdb", true, "d:\\archive\\news.mdb", "d:\\archive\\", "", {}, {}},
        {"News;database=" + hostArchive + "news.mdb", true, hostArchive + "news.mdb", hostArchive, "", {}, {}},
        {"News;database=D:\\Missing\\news.mdb;output_filename=News.htm",
         false,
         "",
         "D:\\Missing\\",
         "",
         {},
         {"Database path D:\\Missing\\ for alias News does not exist."}},
        {"News;database=D:\\Archive\\..\\news.mdb",
         false,
         "",
         "D:\\Archive\\..\\",
         "",
         {"path climbs out of its folder with \"..\""},
         {"Database path D:\\Archive\\..\\ for alias News does not exist."}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        reporter.Clear();
        EXPECT_EQ(ReadLine(c.line).ok(), c.ok);
        EXPECT_EQ(story.options.databasePath, c.databasePath);
        EXPECT_EQ(story.options.databaseFolder, c.databaseFolder);
        EXPECT_EQ(story.options.outputFilename, c.outputFilename);
        EXPECT_EQ(OtherLines(), c.statusLines);
        EXPECT_EQ(Fatals(), c.fatals);
    }
    EXPECT_FALSE(fs::exists(dir.Path() / "d" / "Missing"));
}

TEST_F(FolderAliasReading, AnInvalidOptionIsFatalButTheRestOfTheLineCounts) {
    const struct {
        std::string line;
        std::vector<std::string> fatals;
    } cases[] = {
        {"News;=x;output_filename=News.htm", {"Invalid option =x in DBFolder.dat for alias News will be ignored."}},
        {"News;output_filename=News.htm;", {"Invalid option  in DBFolder.dat for alias News will be ignored."}},
        {"News;;output_filename=News.htm", {"Invalid option  in DBFolder.dat for alias News will be ignored."}},
        {"News;Colour = Blue ;output_filename=News.htm",
         {"Invalid option Colour = Blue  in DBFolder.dat for alias News will be ignored."}},
        {"News;pasword=hunter2;output_filename=News.htm;outputfile=ftp://h/o/|me|hunter2|a.htm",
         {"Invalid option pasword=**** in DBFolder.dat for alias News will be ignored.",
          "Invalid option outputfile=ftp://h/o/|me|****|a.htm in DBFolder.dat for alias News will be ignored."}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        reporter.Clear();
        EXPECT_TRUE(ReadLine(c.line).ok());
        EXPECT_EQ(story.options.outputFilename, "News.htm");
        EXPECT_EQ(Fatals(), c.fatals);
        EXPECT_EQ(reporter.AllText().find("hunter2"), std::string::npos);
    }
}

TEST_F(FolderAliasReading, MutuallyExclusiveOptionsSayWhichOneIsIgnored) {
    const std::string database = "database=D:\\Archive\\news.mdb;";
    const struct {
        std::string options;
        std::vector<std::string> statusLines;
        std::string outputFilename, outputExtension;
        bool replaceFile, modifyFile;
    } cases[] = {
        {"output_file_extension=.php;output_filename=News.htm",
         {"Output_File_Extension and Output_Filename are mutually exclusive options.",
          "Output_File_Extension will be ignored."},
         "News.htm",
         ".htm",
         false,
         false},
        {"output_filename=News.htm;output_file_extension=.php",
         {"Output_File_Extension and Output_Filename are mutually exclusive options.\nOutput_Filename will be "
          "ignored."},
         "",
         ".php",
         false,
         false},
        {"output_file_extension=.php", {}, "", ".php", false, false},
        {"replace_file;modify_file",
         {"Replace_File and Modify_File are mutually exclusive options.\nReplace_File will be ignored."},
         "",
         ".txt",
         false,
         true},
        {"modify_file;replace_file",
         {"Replace_File and Modify_File are mutually exclusive options.\nModify_File will be ignored."},
         "",
         ".txt",
         true,
         false},
        {"replace_file;replace_file", {}, "", ".txt", true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options);
        reporter.Clear();
        EXPECT_TRUE(ReadLine("News;" + database + c.options).ok());
        EXPECT_EQ(OtherLines(), c.statusLines);
        EXPECT_EQ(story.options.outputFilename, c.outputFilename);
        EXPECT_EQ(story.options.outputExtension, c.outputExtension);
        EXPECT_EQ(story.options.replaceFile, c.replaceFile);
        EXPECT_EQ(story.options.modifyFile, c.modifyFile);
    }
}

TEST_F(FolderAliasReading, WithoutDatabaseOrOutputFileNameThePublicationFails) {
    route.m_bPostFatalErrorsToPinwell = true;
    const Status status = ReadLine("News;replace_file");
    EXPECT_FALSE(status.ok());
    const std::string text =
        "Neither Database= nor Output_Filename=\nwere specified in DBFolder.dat for alias News\nOne of them must be "
        "specified.\n\nThis usually occurs if someone is using\nTOO OLD a version of Quillmark32 to make a story "
        "submission through\npressvane/fernwick. Verify the version being used by the person who\npushed this story. "
        "Please note, pressvane will continue to retry\nthis story unless you delete the submission file and it's "
        "accompanying dat\nfile (generally found in wire\\pressvane\\in). However, while you will see\nus retry this "
        "story, we will still detect and push other stories that are\nsubmitted in the meantime. Since restarting "
        "pressvane will not likely\nsolve this problem, it is not necessary to do so.\n";
    EXPECT_EQ(status.message(), text);
    EXPECT_EQ(Fatals(), std::vector<std::string>{text});
    EXPECT_TRUE(fatalFlag);
    EXPECT_TRUE(story.options.replaceFile);  // what was read stays
    std::string message = test::ReadWholeFile(WorkingFolder() + "PINWELL/Pvane000.txt");
    EXPECT_EQ(message.substr(0, 19), "Council vote z z\r\nN");
}

// ---------------------------------------------------------------------------
// Derived values

TEST_F(FolderAliasReading, DatePlaceholdersTakeTheDateOfTheRead) {
    EXPECT_TRUE(ReadLine("News;output_filename=Daily_[YYYY]-[MM]-[DD].htm;replace_file;"
                         "linkoutputpath=D:\\Links\\[YYYY]\\[MM];template_directory=D:\\Templates\\[DD]")
                    .ok());
    EXPECT_EQ(story.options.outputFilename, "Daily_2026-03-09.htm");
    EXPECT_EQ(story.options.outputExtension, ".htm");
    EXPECT_EQ(state.linkOutputPath, "D:\\Links\\2026\\03\\");
    EXPECT_EQ(story.options.templateFolder, "D:\\Templates\\09\\");

    EXPECT_TRUE(ReadLine("News;output_filename=Daily_[yyyy]_[Mm]_[DD]_[DD].htm;replace_file").ok());
    EXPECT_EQ(story.options.outputFilename, "Daily_[yyyy]_[Mm]_09_09.htm");

    clock.Set(std::chrono::system_clock::from_time_t(platform::Clock::MakeLocalTime(2031, 12, 31, 23, 59, 0)));
    EXPECT_TRUE(ReadLine("News;output_filename=[YYYY][MM][DD].htm;replace_file").ok());
    EXPECT_EQ(story.options.outputFilename, "20311231.htm");
}

TEST_F(FolderAliasReading, TheOutputExtensionComesFromTheOutputFileName) {
    const std::string database = "database=D:\\Archive\\news.mdb;";
    const struct {
        std::string options, outputFilename, extension;
    } cases[] = {
        {"output_filename=News.htm", "News.htm", ".htm"},
        {"output_filename=News", "News", ".txt"},
        {"output_filename=D:/Web/News.PHP", "D:\\Web\\News.PHP", ".PHP"},
        {"output_filename=ftp://host/web/|user|pw|news.asp", "ftp://host/web/|user|pw|news.asp", ".asp"},
        {"output_filename=ftp://host/web.d/|user|pw|news", "ftp://host/web.d/|user|pw|news", ".txt"},
        {"", "", ".txt"},
        {"output_file_extension=.xml", "", ".xml"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options);
        EXPECT_TRUE(ReadLine("News;" + database + c.options).ok());
        EXPECT_EQ(story.options.outputFilename, c.outputFilename);
        EXPECT_EQ(story.options.outputExtension, c.extension);
    }
}

TEST_F(FolderAliasReading, TheFtpLogonComesFromTheOutputFileNameUnlessAUserIsGiven) {
    const struct {
        std::string options, userId, password;
    } cases[] = {
        {"output_filename=ftp://web.example/news/|editor|s3cret|News.htm", "editor", "s3cret"},
        {"output_filename=ftp://web.example/news/|editor|s3cret|News.htm;userid=other", "other", ""},
        {"userid=other;password=pw;output_filename=ftp://web.example/news/|editor|s3cret|News.htm", "other", "pw"},
        {"password=pw;output_filename=ftp://web.example/news/News.htm", "", ""},
        {"output_filename=ftp://web.example/news/|editor|s3cret", "", ""},  // malformed: no logon
        {"output_filename=News.htm;userid=me;password=mine", "me", "mine"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options);
        EXPECT_TRUE(ReadLine("News;replace_file;" + c.options).ok());
        EXPECT_EQ(story.options.userId, c.userId);
        EXPECT_EQ(story.options.password, c.password);
    }
    // The output file name keeps its credential part.
    EXPECT_TRUE(ReadLine("News;replace_file;output_filename=ftp://web.example/news/|editor|s3cret|News.htm").ok());
    EXPECT_EQ(story.options.outputFilename, "ftp://web.example/news/|editor|s3cret|News.htm");
}

TEST_F(FolderAliasReading, AFixedOutputNameWithoutReplaceOrModifyTurnsUniqueNamingOn) {
    const struct {
        std::string line;
        bool uniqueAfter;
    } cases[] = {
        {"News;output_filename=News.htm;replace_file", false},
        {"News;output_filename=News.htm;modify_file", false},
        {"News;output_filename=News.htm;use_original_filename", false},
        {"News;output_filename=News.htm", true},
        {"News;database=D:\\Archive\\news.mdb", false},
        {"News;database=D:\\Archive\\news.mdb;unique_file", true},
        {"News;output_filename=News.htm;replace_file;unique_file", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        state = RouteStoryState::From(route);
        EXPECT_TRUE(ReadLine(c.line).ok());
        EXPECT_EQ(state.uniqueFile, c.uniqueAfter);
    }

    // Reading never turns it off: a failed publication leaves it on for the
    // next one; a successful one turns it off.
    state = RouteStoryState::From(route);
    EXPECT_TRUE(ReadLine("News;output_filename=News.htm").ok());
    EXPECT_TRUE(ReadLine("News;output_filename=News.htm;replace_file").ok());
    EXPECT_TRUE(state.uniqueFile);
    state.PublicationSucceeded();
    EXPECT_FALSE(state.uniqueFile);

    // The route's setting governs until the first successful publication.
    route.m_bUniqueFile = true;
    state = RouteStoryState::From(route);
    EXPECT_TRUE(ReadLine("News;output_filename=News.htm;replace_file").ok());
    EXPECT_TRUE(state.uniqueFile);
    EXPECT_TRUE(route.m_bUniqueFile);  // the route itself is never changed
}

// ---------------------------------------------------------------------------
// Alias lists

TEST_F(FolderAliasReading, AliasesThatListEachOtherArePublishedOnceEach) {
    WriteCentral({"News;output_filename=News.htm;replace_file;aliases=Sports,NEWS,news",
                  "Sports;output_filename=Sports.htm;replace_file;aliases=News,Weather,sports,Weather",
                  "Weather;output_filename=Weather.htm;replace_file;aliases=Sports,News,WEATHER,"});
    story.work.aliases = {"News"};
    int reads = 0;
    for (size_t next = 0; next < story.work.aliases.size() && reads < 100; ++next, ++reads) {
        const std::string alias = story.work.aliases[next];
        ASSERT_TRUE(Read(alias).ok());
    }
    EXPECT_EQ(reads, 3);
    EXPECT_EQ(story.work.aliases, (std::vector<std::string>{"News", "Sports", "Weather"}));
    // Read again (a retry): nothing more is added.
    for (const std::string alias : {"Weather", "News", "Sports"}) ASSERT_TRUE(Read(alias).ok());
    EXPECT_EQ(story.work.aliases.size(), 3u);
    EXPECT_EQ(OtherLines(), std::vector<std::string>{});
}

TEST_F(FolderAliasReading, AliasesThatCouldNamePathsAreRefused) {
    WriteCentral({"News;output_filename=News.htm;replace_file;aliases=../up,Sports,a\\b,,x/y, Spaced "});
    story.work.aliases = {"News"};
    ASSERT_TRUE(Read("News").ok());
    EXPECT_EQ(story.work.aliases, (std::vector<std::string>{"News", "Sports", " Spaced"}));
    const auto refused = [](const std::string& alias, const std::string& why) {
        return "The folder alias \"" + alias + "\" named by the \"aliases\" option of News in DBFolder.dat cannot be "
               "used: " + why + ".";
    };
    EXPECT_EQ(OtherLines(), (std::vector<std::string>{refused("../up", "it holds \"..\""),
                                                      refused("a\\b", "file name contains '\\'"),
                                                      refused("x/y", "file name contains '/'")}));
    EXPECT_EQ(Fatals(), std::vector<std::string>{});

    WriteCentral({"News;output_filename=News.htm;replace_file;aliases="});
    ASSERT_TRUE(Read("News").ok());
    EXPECT_EQ(story.work.aliases.size(), 3u);
}

// ---------------------------------------------------------------------------
// The template folder

TEST_F(FolderAliasReading, ATemplateFolderWithDatePlaceholdersIsMadeFilledIn) {
    trace.Configure(dir / "trace.txt", false, false);
    ASSERT_TRUE(
        ReadLine("News;template_directory=D:\\Templates\\[YYYY]\\[MM];output_filename=a.htm;replace_file").ok());
    EXPECT_EQ(story.options.templateFolder, "D:\\Templates\\2026\\03\\");
    EXPECT_TRUE(fs::is_directory(OnDriveD("Templates/2026/03")));
    EXPECT_FALSE(fs::exists(OnDriveD("Templates/[YYYY]")));
    const std::string traced = test::ReadWholeFile(trace.SlotFileName(clock.NowSeconds()));
    EXPECT_NE(traced.find("CPressvaneDlg::ReadFolderDat - Make template directory starting."), std::string::npos);
    EXPECT_EQ(Fatals(), std::vector<std::string>{});

    // There now: not made again.
    fs::remove(trace.SlotFileName(clock.NowSeconds()));
    ASSERT_TRUE(ReadLine("News;template_directory=D:/Templates/[YYYY]/[MM]/;output_filename=a.htm;replace_file").ok());
    EXPECT_EQ(story.options.templateFolder, "D:\\Templates\\2026\\03\\");
    EXPECT_FALSE(fs::exists(trace.SlotFileName(clock.NowSeconds())));
}

TEST_F(FolderAliasReading, ARelativeTemplateFolderIsMadeInTheWorkingFolder) {
    ASSERT_TRUE(ReadLine("News;template_directory=Templates\\[YYYY];output_filename=a.htm;replace_file").ok());
    EXPECT_EQ(story.options.templateFolder, "Templates\\2026\\");
    EXPECT_TRUE(fs::is_directory(WorkingFolder() + "Templates/2026"));
    EXPECT_FALSE(fs::exists("Templates"));
}

TEST_F(FolderAliasReading, TheTemplateFolderIsOnlyMadeWhenTheRouteMakesSureOfItsPaths) {
    route.m_bMakeSurePathsExist = false;
    ASSERT_TRUE(ReadLine("News;template_directory=D:\\Templates\\Sports;output_filename=a.htm;replace_file").ok());
    EXPECT_EQ(story.options.templateFolder, "D:\\Templates\\Sports\\");
    EXPECT_FALSE(fs::exists(OnDriveD("Templates")));
    EXPECT_EQ(Fatals(), std::vector<std::string>{});
}

TEST_F(FolderAliasReading, ATemplateFolderThatCannotBeMadeIsFatal) {
    test::WriteWholeFile(OnDriveD("occupied"), "a file, not a folder");
    const Status status = ReadLine("News;template_directory=D:\\occupied\\[YYYY];output_filename=a.htm;replace_file");
    EXPECT_FALSE(status.ok());
    const std::string text =
        "Template path D:\\occupied\\2026\\ for alias News does not exist, and can not be created.";
    EXPECT_EQ(status.message(), text);
    EXPECT_EQ(Fatals(), std::vector<std::string>{text});
    EXPECT_EQ(story.options.templateFolder, "");
    EXPECT_EQ(story.options.outputFilename, "");  // not read
}

TEST_F(FolderAliasReading, AnUnusableTemplateFolderIsDroppedAndReadingGoesOn) {
    const struct {
        std::string value;
        std::string statusLine;
    } cases[] = {
        {"ftp://web.example/templates|editor",
         "Improperly formatted path: ftp://web.example/templates Should be PATH|ID|PASSWORD|."},
        {"ftp://web.example/templates|editor|s3cret",
         "Improperly formatted path: ftp://web.example/templates Should be PATH|ID|PASSWORD|."},
        {"D:\\Templates\\..\\..\\etc",
         "Template path D:\\Templates\\..\\..\\etc\\ for alias News can not be used: path climbs out of its folder "
         "with \"..\"."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        reporter.Clear();
        EXPECT_TRUE(ReadLine("News;template_directory=" + c.value + ";output_filename=a.htm;replace_file").ok());
        EXPECT_EQ(story.options.templateFolder, "");
        EXPECT_EQ(story.options.outputFilename, "a.htm");
        EXPECT_EQ(OtherLines(), std::vector<std::string>{c.statusLine});
        EXPECT_EQ(reporter.AllText().find("s3cret"), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(dir.Path() / "etc"));
}

}  // namespace
}  // namespace pv
