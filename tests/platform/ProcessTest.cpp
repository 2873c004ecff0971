#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/Process.h"
#include "support/TempDir.h"

namespace pv::platform {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

ProcessResult Shell(const std::string& script, const ProcessOptions& options = {}) {
    return RunProcess({"/bin/sh", "-c", script}, options);
}

TEST(RunProcess, ReportsHowTheProgramEnded) {
    struct Case {
        const char* script;
        int exitCode;
        int signal;
    };
    const Case cases[] = {{"exit 0", 0, 0}, {"exit 3", 3, 0}, {"exit 255", 255, 0}, {"kill -TERM $$", -1, SIGTERM}};
    for (const auto& c : cases) {
        const ProcessResult result = Shell(c.script);
        EXPECT_TRUE(result.started) << c.script << ": " << result.error;
        EXPECT_FALSE(result.timedOut);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.script;
        EXPECT_EQ(result.signal, c.signal) << c.script;
    }
}

TEST(RunProcess, PassesArgumentsVerbatim) {
    test::TempDir dir;
    const std::vector<std::string> args = {"a b", "it's", "\"quoted\"", "x;rm -rf y", "$(id)", "`id`", "*", "", "\\"};
    std::vector<std::string> argv = {"printf", "[%s]\\n"};
    argv.insert(argv.end(), args.begin(), args.end());
    ProcessOptions options;
    options.stdoutFile = dir / "out.txt";
    const ProcessResult result = RunProcess(argv, options);
    ASSERT_TRUE(result.started) << result.error;
    EXPECT_EQ(result.exitCode, 0);
    std::string expected;
    for (const auto& arg : args) expected += "[" + arg + "]\n";
    EXPECT_EQ(test::ReadWholeFile(dir / "out.txt"), expected);
}

TEST(RunProcess, RedirectsOutputAndStartsInTheWorkingFolder) {
    test::TempDir dir;
    std::filesystem::create_directory(dir / "Work");
    ProcessOptions options;
    options.workingDir = dir / "work";  // found without regard to case
    options.stdoutFile = dir / "out.txt";
    options.stderrFile = dir / "err.txt";
    const ProcessResult result = Shell("pwd; echo oops >&2; echo made > here.txt; read x || echo no-input", options);
    ASSERT_TRUE(result.started) << result.error;
    const std::string work = std::filesystem::canonical(dir / "Work").string();
    EXPECT_EQ(test::ReadWholeFile(dir / "out.txt"), work + "\nno-input\n");
    EXPECT_EQ(test::ReadWholeFile(dir / "err.txt"), "oops\n");
    EXPECT_EQ(test::ReadWholeFile(dir / "Work/here.txt"), "made\n");
}

TEST(RunProcess, OneFileTakesBothStreamsInOrder) {
    test::TempDir dir;
    ProcessOptions options;
    options.stdoutFile = options.stderrFile = dir / "log.txt";
    ASSERT_TRUE(Shell("echo one; echo two >&2; echo three", options).started);
    EXPECT_EQ(test::ReadWholeFile(dir / "log.txt"), "one\ntwo\nthree\n");
}

TEST(RunProcess, ReportsWhatCouldNotStart) {
    test::TempDir dir;
    ProcessOptions missingFolder;
    missingFolder.workingDir = dir / "missing";
    ProcessOptions unmapped;
    unmapped.stdoutFile = "Q:\\logs\\out.txt";
    struct Case {
        std::vector<std::string> argv;
        ProcessOptions options;
    };
    const Case cases[] = {
        {{}, {}},
        {{"pressvane-no-such-program"}, {}},
        {{dir / "no-such-program"}, {}},
        {{"/bin/sh", "-c", "exit 0"}, missingFolder},
        {{"/bin/sh", "-c", "exit 0"}, unmapped},
    };
    for (const auto& c : cases) {
        const ProcessResult result = RunProcess(c.argv, c.options);
        EXPECT_FALSE(result.started) << (c.argv.empty() ? "" : c.argv[0]);
        EXPECT_FALSE(result.error.empty());
    }
}

bool IsGone(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string pidText, name, state;
    if (!(stat >> pidText >> name >> state)) return true;
    return state == "Z";  // killed, waiting for whoever adopted it to reap it
}

TEST(RunProcess, TimeOutStopsTheProgramAndWhatItStarted) {
    test::TempDir dir;
    ProcessOptions options;
    options.timeLimit = milliseconds(300);
    const std::string pidFile = dir / "grandchild.pid";
    const auto start = std::chrono::steady_clock::now();
    const ProcessResult result = RunProcess({"/bin/sh", "-c", "sleep 30 & echo $! > \"$1\"; wait", "sh", pidFile}, options);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(result.started);
    EXPECT_TRUE(result.timedOut);
    EXPECT_NE(result.signal, 0);
    EXPECT_LT(elapsed, seconds(5));
    const pid_t grandchild = std::stoi(test::ReadWholeFile(pidFile));
    for (int i = 0; i < 200 && !IsGone(grandchild); ++i) std::this_thread::sleep_for(milliseconds(10));
    EXPECT_TRUE(IsGone(grandchild));
}

TEST(RunProcess, AProgramThatIgnoresTermIsKilled) {
    ProcessOptions options;
    options.timeLimit = milliseconds(200);
    const auto start = std::chrono::steady_clock::now();
    const ProcessResult result = Shell("trap '' TERM; while :; do sleep 0.05; done", options);
    EXPECT_TRUE(result.timedOut);
    EXPECT_EQ(result.signal, SIGKILL);
    EXPECT_LT(std::chrono::steady_clock::now() - start, seconds(5));
}

TEST(RunProcess, AProgramWithinItsLimitIsNotStopped) {
    ProcessOptions options;
    options.timeLimit = seconds(20);
    const ProcessResult result = Shell("exit 7", options);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 7);
}

TEST(CommandForScript, HandsBatchFilesToTheShell) {
    using Argv = std::vector<std::string>;
    EXPECT_EQ(CommandForScript("/s/after.bat", {"a b"}), (Argv{"/bin/sh", "/s/after.bat", "a b"}));
    EXPECT_EQ(CommandForScript("/s/AFTER.CMD"), (Argv{"/bin/sh", "/s/AFTER.CMD"}));
    EXPECT_EQ(CommandForScript("/s/after.Bat.sh", {"x"}), (Argv{"/s/after.Bat.sh", "x"}));
    EXPECT_EQ(CommandForScript("/usr/bin/convert", {"in", "out"}), (Argv{"/usr/bin/convert", "in", "out"}));
    EXPECT_EQ(CommandForScript(".bat"), (Argv{"/bin/sh", ".bat"}));
}

TEST(CommandForScript, RunsABatchFile) {
    test::TempDir dir;
    test::WriteWholeFile(dir / "After.BAT", "echo \"$1\" > \"$2\"\n");
    const ProcessResult result = RunProcess(CommandForScript(dir / "After.BAT", {"moved; a.wav", dir / "out.txt"}));
    ASSERT_TRUE(result.started) << result.error;
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(test::ReadWholeFile(dir / "out.txt"), "moved; a.wav\n");
}

}  // namespace
}  // namespace pv::platform
