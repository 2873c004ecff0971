// What a process leaves for the next start after a crash: the in-flight
// record and the private temporary folders.
#include <gtest/gtest.h>

#include <filesystem>
#include <sys/file.h>
#include <fcntl.h>
#include <unistd.h>

#include "platform/InFlightRecord.h"
#include "platform/PrivateTempFolder.h"
#include "support/TempDir.h"

namespace pv::platform {
namespace {

namespace fs = std::filesystem;

TEST(InFlightRecord, TheNextOpenSeesWhatADeadProcessLeftAndACleanEndLeavesNothing) {
    test::TempDir dir;
    const std::string path = dir / "InFlight.dat";
    {
        InFlightRecord record;
        ASSERT_TRUE(record.Open(path));
        EXPECT_TRUE(record.Leftover().empty());
        record.Set("lock", "1A2B\t/srv/out/");
        record.Set("copy", "/srv/out/.pvcopy-0123456789ab.part");
        record.Clear("copy");
        // What a crash at this moment leaves on disk.
        fs::copy_file(path, dir / "crashed.dat");
    }
    EXPECT_EQ(fs::file_size(path), 0u);
    InFlightRecord after;
    ASSERT_TRUE(after.Open(dir / "crashed.dat"));
    EXPECT_EQ(after.Leftover(), (std::map<std::string, std::string>{{"lock", "1A2B\t/srv/out/"}}));
}

// The file holds exactly the entries after each change, however its length
// changed (growing, shrinking, to nothing and back).
TEST(InFlightRecord, TheFileHoldsExactlyTheEntriesAfterEveryChange) {
    test::TempDir dir;
    const std::string path = dir / "InFlight.dat";
    test::WriteWholeFile(path, "lock\tDEAD\t/a very long folder name the last run left behind/\r\n");
    InFlightRecord record;
    ASSERT_TRUE(record.Open(path));
    EXPECT_EQ(test::ReadWholeFile(path), "");
    struct Step {
        bool set;
        const char* key;
        const char* value;
        const char* file;
    };
    const Step steps[] = {
        {true, "lock", "1\t/srv/out/", "lock\t1\t/srv/out/\r\n"},
        {true, "copy", "/srv/out/.pvcopy-0123456789ab.part",
         "copy\t/srv/out/.pvcopy-0123456789ab.part\r\nlock\t1\t/srv/out/\r\n"},
        {false, "copy", "", "lock\t1\t/srv/out/\r\n"},
        {true, "lock", "22\t/srv/out2/", "lock\t22\t/srv/out2/\r\n"},
        {true, "lock", "3\t/o/", "lock\t3\t/o/\r\n"},
        {false, "lock", "", ""},
        {false, "lock", "", ""},
        {true, "lock", "4\t/srv/out/", "lock\t4\t/srv/out/\r\n"},
    };
    for (const Step& step : steps) {
        if (step.set) record.Set(step.key, step.value);
        else record.Clear(step.key);
        EXPECT_EQ(test::ReadWholeFile(path), step.file) << step.key << " " << step.value;
    }
}

TEST(InFlightRecord, ALiveProcessKeepsItsRecordToItself) {
    test::TempDir dir;
    InFlightRecord live, second;
    ASSERT_TRUE(live.Open(dir / "InFlight.dat"));
    live.Set("lock", "1\t/srv/out/");
    std::string error;
    EXPECT_FALSE(second.Open(dir / "InFlight.dat", &error));
    EXPECT_FALSE(error.empty());
    second.Set("lock", "2\t/elsewhere/");  // a record that is not open writes nothing
    EXPECT_EQ(test::ReadWholeFile(dir / "InFlight.dat"), "lock\t1\t/srv/out/\r\n");
}

TEST(PrivateTempFolder, OnlyFoldersNoLiveProcessHoldsAreRemoved) {
    test::TempDir parent;
    const std::string root = parent.Path().string();
    PrivateTempFolder live(root);
    ASSERT_FALSE(live.Path().empty());
    test::WriteWholeFile(live.Path() + "QMDBTemp0.tmp", "in use");
    // A dead process's folder: its lock file is there, nobody holds it.
    fs::create_directory(parent / "pressvane-dead01");
    test::WriteWholeFile(parent / "pressvane-dead01/.owner.lock", "");
    test::WriteWholeFile(parent / "pressvane-dead01/QMDBTemp3.tmp", "left over");
    // One made a moment ago, whose owner has not locked it yet, and an old one never locked.
    fs::create_directory(parent / "pressvane-young1");
    fs::create_directory(parent / "pressvane-old001");
    fs::last_write_time(parent / "pressvane-old001", fs::file_time_type::clock::now() - std::chrono::hours(1));
    // Names that are not ours.
    fs::create_directory(parent / "pressvane-other-tool");
    test::WriteWholeFile(parent / "pressvane-file01", "");

    EXPECT_EQ(PrivateTempFolder::RemoveAbandoned(root), 2);
    EXPECT_TRUE(fs::exists(live.Path() + "QMDBTemp0.tmp"));
    EXPECT_FALSE(fs::exists(parent / "pressvane-dead01"));
    EXPECT_TRUE(fs::exists(parent / "pressvane-young1"));
    EXPECT_FALSE(fs::exists(parent / "pressvane-old001"));
    EXPECT_TRUE(fs::exists(parent / "pressvane-other-tool"));
    EXPECT_TRUE(fs::exists(parent / "pressvane-file01"));
}

TEST(PrivateTempFolder, GoesAwayWithItsOwner) {
    test::TempDir parent;
    std::string path;
    {
        PrivateTempFolder folder(parent.Path().string());
        path = folder.Path();
        test::WriteWholeFile(path + "x.tmp", "x");
    }
    EXPECT_FALSE(fs::exists(path));
}

}  // namespace
}  // namespace pv::platform
