#include <gtest/gtest.h>

#include <csignal>
#include <random>
#include <sys/resource.h>
#include <thread>

#include "RelayFixture.h"

namespace pv {
namespace {

namespace fs = std::filesystem;

class Locking : public ::testing::Test, protected test::RelayFixture {
protected:
    // Waits at most a minute, in 5 s steps.
    FolderLock lock{files, reporter, trace, clock, state.exit, {5, 1, 60}};
    void ForeignLock(const std::string& folder, std::time_t age) {
        test::WriteWholeFile(folder + "InUse.dat", std::string("\x01\x02\x03\x04", 4));
        const auto when = fs::file_time_type::clock::now() - std::chrono::seconds(age);
        fs::last_write_time(folder + "InUse.dat", when);
    }
    CFTPFile file{files};
};

TEST_F(Locking, TakesChecksAndReleasesItsOwnLock) {
    const std::string out = Folder("out");
    ASSERT_TRUE(lock.LockDir(file, Location::Parse(out + "story.txt")).ok());
    const std::string content = test::ReadWholeFile(out + "InUse.dat");
    ASSERT_EQ(content.size(), 4u);
    const uint32_t id = static_cast<unsigned char>(content[0]) | static_cast<unsigned char>(content[1]) << 8 |
                        static_cast<unsigned char>(content[2]) << 16 |
                        static_cast<uint32_t>(static_cast<unsigned char>(content[3])) << 24;
    EXPECT_EQ(id, lock.OwnerId());
    EXPECT_TRUE(lock.CheckDirLock(file, Location::Parse(out)).ok());
    lock.UnLockDir(file, Location::Parse(out));
    EXPECT_FALSE(fs::exists(out + "InUse.dat"));
    EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator{}), 0);
}

TEST_F(Locking, ALockThatCannotBeWrittenLeavesNoCandidateBehind) {
    const std::string out = Folder("out");
    // Writes past two bytes fail, as on a full disk.
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit tiny = saved;
    tiny.rlim_cur = 2;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tiny), 0);
    const Status locked = lock.LockDir(file, Location::Parse(out));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(locked.message(), "Can't create lock file in folder " + out + ".");
    EXPECT_TRUE(fs::is_empty(out));
}

TEST_F(Locking, FreshForeignLockIsWaitedForUntilTheTimeOut) {
    const std::string out = Folder("out");
    ForeignLock(out, 0);
    const Status locked = lock.LockDir(file, Location::Parse(out));
    EXPECT_EQ(StatusCount("Waiting for access to dest folder"), 13);  // a minute in 5 s steps
    EXPECT_EQ(locked.code(), Status::Code::busy);
    EXPECT_EQ(locked.message(), "Can't lock dest folder " + out + ".\nMax TimeOut was reached.");
    EXPECT_TRUE(fs::exists(out + "InUse.dat"));
}

TEST_F(Locking, StaleLockIsBrokenAndDeleteOneInUseDeletesOnlyTheFirst) {
    const std::string out = Folder("out");
    ForeignLock(out, 61 * 60);
    EXPECT_TRUE(lock.LockDir(file, Location::Parse(out)).ok());
    EXPECT_EQ(StatusCount("Lock file is too old in folder"), 1);
    lock.UnLockDir(file, Location::Parse(out));

    FolderLock deleting{files, reporter, trace, clock, state.exit, {5, 1, 60, true}};
    ForeignLock(out, 0);
    EXPECT_TRUE(deleting.LockDir(file, Location::Parse(out)).ok());
    deleting.UnLockDir(file, Location::Parse(out));
    ForeignLock(out, 0);
    EXPECT_FALSE(deleting.LockDir(file, Location::Parse(out)).ok());
}

TEST_F(Locking, ShortOrForeignLockFileIsNotOursAndIsNeverRemoved) {
    const std::string out = Folder("out");
    test::WriteWholeFile(out + "InUse.dat", "abc");
    EXPECT_EQ(lock.CheckDirLock(file, Location::Parse(out)).message(), "Can't read lock file in folder " + out + ".");
    ForeignLock(out, 0);
    lock.UnLockDir(file, Location::Parse(out));
    EXPECT_TRUE(fs::exists(out + "InUse.dat"));
}

TEST_F(Locking, ExitFlagEndsTheWait) {
    const std::string out = Folder("out");
    ForeignLock(out, 0);
    clock.OnSleep([this](int) { state.exit = true; });
    EXPECT_EQ(lock.LockDir(file, Location::Parse(out)).code(), Status::Code::aborted);
    EXPECT_EQ(StatusCount("Waiting for access to dest folder"), 1);
}

}  // namespace
}  // namespace pv

namespace pv {
namespace {

// Two writers, each with its own file access (as two processes would have),
// take turns on one folder: at no moment do both believe they hold the lock.
TEST(LockRace, TwoWritersNeverHoldTheLockTogether) {
    test::TempDir dir;
    const std::string folder = dir.Folder();
    std::atomic<int> holders{0};
    std::atomic<int> overlaps{0};
    std::atomic<int> taken{0};
    std::atomic<bool> exitFlag{false};
    auto writer = [&](unsigned seed) {
        test::FakeClock clock(std::chrono::system_clock::now());
        test::RecordingReporter reporter;
        TraceLog trace(clock);
        FileAccess files(reporter, clock);
        // Each writer's clock moves a second per wait; on a loaded machine a
        // writer can wait long enough for the other's lock to look an hour
        // old and be broken, which is not what this test is about.
        FolderLock lock(files, reporter, trace, clock, exitFlag, {1, 1000, 1000000});
        clock.OnSleep([](int) { std::this_thread::yield(); });
        std::mt19937 random(seed);
        for (int round = 0; round < 60; ++round) {
            CFTPFile file(files);
            if (!lock.LockDir(file, Location::Parse(folder)).ok()) continue;
            if (holders.fetch_add(1) != 0) overlaps.fetch_add(1);
            taken.fetch_add(1);
            std::this_thread::sleep_for(std::chrono::microseconds(random() % 300));
            holders.fetch_sub(1);
            lock.UnLockDir(file, Location::Parse(folder));
        }
    };
    std::thread a(writer, 1), b(writer, 2);
    a.join();
    b.join();
    EXPECT_EQ(overlaps, 0);
    // Both may check a free folder at once; then one rename wins and the
    // other writer gives up that round.  Each win can cost the other writer
    // at most one round, so at least half of the 120 rounds get the lock.
    EXPECT_GE(taken, 60);
}

}  // namespace
}  // namespace pv
