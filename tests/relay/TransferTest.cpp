#include <gtest/gtest.h>

#include <sys/stat.h>
#include <utime.h>

#include "RelayFixture.h"

namespace pv {
namespace {

namespace fs = std::filesystem;

class Relaying : public ::testing::Test, protected test::RelayFixture {
protected:
    void Put(const std::string& folder, const std::string& name, const std::string& bytes = "news") {
        test::WriteWholeFile(folder + name, bytes);
        fs::last_write_time(folder + name, fs::file_time_type::clock::now() - std::chrono::minutes(5));
    }
    bool Has(const std::string& path) const { return fs::exists(path); }
    // Files in folder named "<five digits><name>".
    static int Numbered(const std::string& folder, const std::string& name) {
        int n = 0;
        if (!fs::is_directory(folder)) return 0;
        for (const auto& entry : fs::directory_iterator(folder)) {
            const std::string file = entry.path().filename().string();
            n += file.size() == name.size() + 5 && file.substr(5) == name &&
                 file.substr(0, 5).find_first_not_of("0123456789") == std::string::npos;
        }
        return n;
    }
    static ino_t InodeOf(const std::string& path) {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
    }
};

TEST_F(Relaying, FilesReachEveryOutputAndLeaveTheInput) {
    const std::string in = Folder("in"), a = Folder("a"), b = Folder("b");
    Put(in, "one.txt", "first");
    Put(in, "two.wav", std::string(70000, 'w'));
    CDirOptions route = Route(in, {a, b});
    scan.ProcessDirectory(route);
    for (const std::string& out : {a, b}) {
        EXPECT_EQ(test::ReadWholeFile(out + "one.txt"), "first");
        EXPECT_EQ(fs::file_size(out + "two.wav"), 70000u);
    }
    EXPECT_TRUE(fs::is_empty(in));
}

TEST_F(Relaying, NamesPrefixFoldersUniqueNumbersAndUnderscores) {
    const std::string in = Folder("in"), out = Folder("out");
    Put(in, "ABC123.txt");
    Put(in, "AB.txt");
    Put(in, "..x.txt");
    Put(in, "my file.wav");
    CDirOptions route = Route(in, {out});
    route.m_nPrefixCharCount = 3;
    route.m_bSpacesToUnderscores = true;
    route.m_bUniqueFile = true;
    test::WriteWholeFile(out + "ID.dat", std::string("\x2a\x00\x00\x00", 4));  // 42
    scan.ProcessDirectory(route);
    EXPECT_TRUE(fs::exists(out + "00042AB.txt"));
    EXPECT_EQ(Numbered(out + "ABC", "ABC123.txt"), 1);
    EXPECT_EQ(Numbered(out + "..x", "..x.txt"), 1);
    EXPECT_EQ(Numbered(out + "my_", "my_file.wav"), 1);
    EXPECT_TRUE(fs::is_empty(in));
}

TEST_F(Relaying, PrefixOfDotsIsNoFolder) {
    EXPECT_EQ(PrefixFolder("..story.txt", 2), "");
    EXPECT_EQ(PrefixFolder(".story.txt", 1), "");
    EXPECT_EQ(PrefixFolder("AB.txt", 3), "");
    EXPECT_EQ(PrefixFolder("ABC123.txt", 3), "ABC");
    EXPECT_EQ(PrefixFolder("..", 2), "");
}

TEST_F(Relaying, TemporaryNameCopiesLeaveNoPartialFileUnderTheFinalName) {
    const std::string in = Folder("in"), out = Folder("out");
    Put(in, "big.bin", std::string(300000, 'b'));
    test::WriteWholeFile(out + "big.bin", "old");
    CDirOptions route = Route(in, {out});
    route.m_bUseTmpFilenameDuringCopy = true;
    scan.ProcessDirectory(route);
    EXPECT_EQ(fs::file_size(out + "big.bin"), 300000u);
    EXPECT_FALSE(fs::exists(out + "big.bin.tmp"));
}

TEST_F(Relaying, FailedOutputKeepsTheInputUnlessDeleteFailedIsOn) {
    const std::string in = Folder("in"), a = Folder("a");
    test::WriteWholeFile(dir / "blocker", "x");
    const std::string unreachable = dir.Folder() + "blocker/b/";
    Put(in, "story.txt");
    CDirOptions route = Route(in, {a, unreachable});
    scan.ProcessDirectory(route);
    EXPECT_TRUE(Has(a + "story.txt"));
    EXPECT_TRUE(Has(in + "story.txt"));
    route.m_bDeleteFailedFiles = true;
    scan.ProcessDirectory(route);
    EXPECT_FALSE(Has(in + "story.txt"));
}

// A window follows a file by its typed events: found, then for each output
// started and delivered, or failed with the step that failed and why.
TEST_F(Relaying, TheFileAndEachOutputAreReportedAsTypedEvents) {
    const std::string in = Folder("in"), a = Folder("a");
    test::WriteWholeFile(dir / "blocker", "x");
    const std::string unreachable = dir.Folder() + "blocker/b/";
    const std::time_t filed = 1765286400;
    const struct {
        bool makeSurePathsExist;
        OutputFailed failed;  // cause left out: the system's words
    } cases[] = {
        {true, {OutputStep::makeFolder, unreachable, "", "story.txt", ""}},
        {false, {OutputStep::copy, unreachable + "story.txt", "", "story.txt", in + "story.txt"}},
    };
    for (const auto& c : cases) {
        Put(in, "story.txt", "news");
        const utimbuf times{filed, filed};
        ASSERT_EQ(::utime((in + "story.txt").c_str(), &times), 0);
        CDirOptions route = Route(in, {a, unreachable});
        route.m_bMakeSurePathsExist = c.makeSurePathsExist;
        const size_t before = Milestones().size();
        scan.ProcessDirectory(route);

        std::vector<ProgressEvent> events = Milestones();
        events.erase(events.begin(), events.begin() + static_cast<std::ptrdiff_t>(before));
        std::vector<ProgressEvent> expected = {FileFound{in, in + "story.txt", "story.txt", 4, filed},
                                               OutputStarted{a + "story.txt", 4}, OutputDelivered{a + "story.txt", 4}};
        if (!c.makeSurePathsExist) expected.push_back(OutputStarted{unreachable + "story.txt", 4});
        ASSERT_EQ(events.size(), expected.size() + 1) << c.makeSurePathsExist;
        OutputFailed failed = std::get<OutputFailed>(events.back());
        EXPECT_NE(failed.cause, "");
        failed.cause.clear();
        EXPECT_EQ(failed, c.failed);
        events.pop_back();
        EXPECT_EQ(events, expected);
        EXPECT_TRUE(Has(in + "story.txt"));
    }
}

// On one file system the last output gets the input itself by a rename, but
// only when the input would be deleted after it anyway.
TEST_F(Relaying, LastOutputTakesTheInputByRenameOnlyWhenItWouldBeDeleted) {
    const std::string in = Folder("in"), a = Folder("a"), b = Folder("b");
    Put(in, "story.txt", "first");
    const auto original = InodeOf(in + "story.txt");
    CDirOptions route = Route(in, {a, b});
    scan.ProcessDirectory(route);
    EXPECT_NE(InodeOf(a + "story.txt"), original);
    EXPECT_EQ(InodeOf(b + "story.txt"), original);
    EXPECT_EQ(test::ReadWholeFile(a + "story.txt"), "first");
    EXPECT_TRUE(fs::is_empty(in));
    EXPECT_EQ(StatusCount("Deleting"), 1);
    EXPECT_EQ(StatusCount("Unable"), 0);

    // The first output fails and the input is to stay: the last gets a copy.
    test::WriteWholeFile(dir / "blocker", "x");
    Put(in, "later.txt", "second");
    const auto kept = InodeOf(in + "later.txt");
    route = Route(in, {dir.Folder() + "blocker/x/", a});
    route.m_bAbortFailedFiles = false;
    scan.ProcessDirectory(route);
    EXPECT_EQ(test::ReadWholeFile(a + "later.txt"), "second");
    EXPECT_NE(InodeOf(a + "later.txt"), kept);
    EXPECT_EQ(InodeOf(in + "later.txt"), kept);
}

TEST_F(Relaying, AbortRulesDecideWhichOutputsAreTried) {
    test::WriteWholeFile(dir / "blocker", "x");
    const std::string bad = dir.Folder() + "blocker/x/";
    const struct {
        std::vector<int> good;  // which of three outputs can be written
        bool dontFail;
        std::vector<bool> reached;
    } cases[] = {
        {{1, 2}, false, {false, false, false}},  // output 0 fails: nothing else tried
        {{0, 2}, true, {true, false, true}},     // output 1 fails after output 0 worked: go on
        {{0, 2}, false, {true, false, false}},
    };
    int round = 0;
    for (const auto& c : cases) {
        const std::string in = Folder("in" + std::to_string(round));
        std::vector<std::string> outputs;
        for (int i = 0; i < 3; ++i)
            outputs.push_back(std::count(c.good.begin(), c.good.end(), i) ? Folder("o" + std::to_string(round) + std::to_string(i))
                                                                          : bad);
        Put(in, "f.txt");
        CDirOptions route = Route(in, outputs);
        route.m_bAbortFailedFiles = true;
        route.m_bDontFailIfFirstOutputSucceeds = c.dontFail;
        scan.ProcessDirectory(route);
        for (int i = 0; i < 3; ++i) {
            if (outputs[i] != bad) {
                EXPECT_EQ(Has(outputs[i] + "f.txt"), c.reached[i]) << round << " output " << i;
            }
        }
        EXPECT_TRUE(Has(in + "f.txt"));
        ++round;
    }
}

TEST_F(Relaying, RouteWithoutOutputsNeverDeletesItsInput) {
    const std::string in = Folder("in");
    Put(in, "keep.txt");
    CDirOptions route = Route(in, {});
    scan.ProcessDirectory(route);
    EXPECT_TRUE(Has(in + "keep.txt"));
    EXPECT_EQ(StatusCount("No output folder for"), 1);
}

TEST_F(Relaying, FutureFilesWaitAndScanTwiceNeedsTwoEqualSightings) {
    const std::string in = Folder("in"), out = Folder("out");
    test::WriteWholeFile(in + "future.txt", "f");
    fs::last_write_time(in + "future.txt", fs::file_time_type::clock::now() + std::chrono::hours(1));
    Put(in, "steady.txt");
    CDirOptions route = Route(in, {out});
    route.m_eScanTwice = ScanTwiceMode::always;
    scan.ProcessDirectory(route);
    EXPECT_FALSE(Has(out + "steady.txt"));
    scan.ProcessDirectory(route);
    EXPECT_TRUE(Has(out + "steady.txt"));
    EXPECT_FALSE(Has(out + "future.txt"));
}

TEST_F(Relaying, FileStillOpenForWritingWaitsForALaterPass) {
    const std::string in = Folder("in"), out = Folder("out");
    Put(in, "growing.txt");
    platform::File writer;
    ASSERT_TRUE(writer.Open(in + "growing.txt", platform::File::modeWrite | platform::File::modeNoTruncate));
    CDirOptions route = Route(in, {out});
    scan.ProcessDirectory(route);
    EXPECT_FALSE(Has(out + "growing.txt"));
    writer.Close();
    scan.ProcessDirectory(route);
    EXPECT_TRUE(Has(out + "growing.txt"));
}

TEST_F(Relaying, OrderFollowsPublishOrderAndKeepsListingOrderOnTies) {
    std::vector<tagFileInfo> files{{"b", 1, 20}, {"a", 1, 10}, {"c", 1, 20}, {"d", 1, 5}};
    auto oldest = files;
    DirectoryScan::Order(oldest, PublishOrder::oldestFirst);
    EXPECT_EQ((std::vector<std::string>{oldest[0].name, oldest[1].name, oldest[2].name, oldest[3].name}),
              (std::vector<std::string>{"d", "a", "b", "c"}));
    auto newest = files;
    DirectoryScan::Order(newest, PublishOrder::newestFirst);
    EXPECT_EQ(newest[0].name, "b");
    auto listing = files;
    DirectoryScan::Order(listing, PublishOrder::listing);
    EXPECT_EQ(listing[0].name, "b");
}

TEST_F(Relaying, HostileInputNamesAreRefused) {
    const std::string in = Folder("in"), out = Folder("out");
    Put(in, "bad|name.txt");
    Put(in, "line\nbreak.txt");
    Put(in, "fine.txt");
    CDirOptions route = Route(in, {out});
    scan.ProcessDirectory(route);
    EXPECT_TRUE(Has(in + "bad|name.txt"));
    EXPECT_TRUE(Has(in + "line\nbreak.txt"));
    EXPECT_TRUE(Has(out + "fine.txt"));
    EXPECT_EQ(StatusCount("Refusing the file"), 2);
    // Met again on every pass, but reported again only after an hour.
    for (int pass = 0; pass < 3; ++pass) {
        clock.Advance(std::chrono::minutes(10));
        scan.ProcessDirectory(route);
    }
    EXPECT_EQ(StatusCount("Refusing the file"), 2);
    clock.Advance(std::chrono::minutes(31));
    scan.ProcessDirectory(route);
    EXPECT_EQ(StatusCount("Refusing the file"), 4);
}

TEST_F(Relaying, BatchFilesRunWithAwkwardPathsAsOneArgument) {
    const std::string in = Folder("in"), out = Folder("out dir; $(touch pwned) 'x'");
    const std::string marker = dir / "ran.txt";
    fs::create_directories(dir / "Pressvane");
    Put(in, "a run.bat", "echo \"$0\" >> '" + marker + "'\n");
    CDirOptions route = Route(in, {out});
    route.m_bExecuteBatsAfterMove = true;
    scan.ProcessDirectory(route);
    EXPECT_EQ(test::ReadWholeFile(marker), out + "a run.bat\n");
    EXPECT_FALSE(Has(out + "a run.bat"));
    EXPECT_FALSE(Has(dir / "pwned"));
    EXPECT_FALSE(Has("pwned"));
    EXPECT_EQ(test::ReadWholeFile(dir / "Pressvane/Bat.bat"), "%1\r\n");
}

TEST_F(Relaying, AnOperatorsLauncherRunsEveryBatchFileAndNoCarriageReturnReachesACommand) {
    const std::string in = Folder("in"), out = Folder("out dir; $(touch pwned)");
    const std::string marker = dir / "ran.txt";
    fs::create_directories(dir / "Pressvane");
    test::WriteWholeFile(dir / "Pressvane/Bat.bat", "echo launched %1 >> '" + marker + "'\r\nsh \"%1\"\r\n");
    Put(in, "job.bat", "echo \"$0\" ran >> '" + marker + "'\r\necho second >> '" + marker + "'\r\n");
    CDirOptions route = Route(in, {out});
    route.m_bExecuteBatsAfterMove = true;
    scan.ProcessDirectory(route);
    EXPECT_EQ(test::ReadWholeFile(marker), "launched " + out + "job.bat\n" + out + "job.bat ran\nsecond\n");
    EXPECT_FALSE(Has(out + "job.bat"));
    EXPECT_FALSE(Has(dir / "pwned"));
    EXPECT_FALSE(Has("pwned"));
}

TEST(LaunchCommand, TheServicesOwnLauncherRunsTheBatchFileAndAnyOtherIsAScriptWithOneArgument) {
    using Argv = std::vector<std::string>;
    EXPECT_EQ(LaunchCommand("%1\r\n", "/w/Bat.bat", "/o/a b.bat"), (Argv{"/bin/sh", "/o/a b.bat"}));
    EXPECT_EQ(LaunchCommand("", "/w/Bat.bat", "/o/a.bat"), (Argv{"/bin/sh", "/o/a.bat"}));
    EXPECT_EQ(LaunchCommand("logger %1\r\nsh \"%1\"\r\n", "/w/Bat.bat", "/o/a.bat"),
              (Argv{"/bin/sh", "-c", "logger \"$1\"\nsh \"$1\"\n", "/w/Bat.bat", "/o/a.bat"}));
}

TEST_F(Relaying, AMissingOutputFolderIsMadeWhenTheRouteMakesSureOfItsPaths) {
    const std::string in = Folder("in"), out = dir.Folder() + "gone/out/";
    Put(in, "a.txt", "a");
    CDirOptions route = Route(in, {out});
    route.m_bLockOutputFolders = true;
    route.m_bMakeSurePathsExist = false;
    scan.ProcessDirectory(route);
    EXPECT_TRUE(Has(in + "a.txt"));
    EXPECT_EQ(StatusCount("Can't create lock file in folder"), 1);
    route.m_bMakeSurePathsExist = true;
    scan.ProcessDirectory(route);
    EXPECT_EQ(test::ReadWholeFile(out + "a.txt"), "a");
    EXPECT_FALSE(Has(in + "a.txt"));
}

TEST_F(Relaying, HungBatchFileIsStoppedAndDeleted) {
    const std::string out = Folder("out");
    test::WriteWholeFile(out + "hang.bat", "sleep 60\n");
    fs::create_directories(dir / "Pressvane");
    PostMoveCommands quick(files, reporter, dir.Folder(), std::chrono::milliseconds(300));
    const auto start = std::chrono::steady_clock::now();
    quick.RunPostMoveBatchFiles(out);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_FALSE(Has(out + "hang.bat"));
}

}  // namespace
}  // namespace pv
