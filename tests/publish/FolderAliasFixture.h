#pragma once
// A working folder, an input folder and a drive D: (mapped to a temporary
// folder in a host environment of the test's own) for reading folder alias
// files, with a clock standing on 9 March 2026.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <variant>
#include <vector>

#include "config/DirOptions.h"
#include "config/RouteStoryState.h"
#include "notify/TraceLog.h"
#include "notify/WireMessages.h"
#include "platform/HostEnvironment.h"
#include "publish/FolderAliasReader.h"
#include "support/FakeClock.h"
#include "support/RecordingReporter.h"
#include "support/TempDir.h"
#include "transport/FileAccess.h"
#include "transport/FileData.h"

namespace pv::test {

class FolderAliasFixture : public ::testing::Test {
protected:
    FolderAliasFixture() {
        std::filesystem::create_directories(dir.Path() / "d" / "Archive");
        std::filesystem::create_directories(dir.Path() / "work" / "Pressvane");
        std::filesystem::create_directories(dir.Path() / "in");
        route.m_inDir = Location::Parse(dir.Folder() + "in/");
        state = RouteStoryState::From(route);
        story.Reset();
        story.work.slug = "Council vote";
        clock.Set(std::chrono::system_clock::from_time_t(platform::Clock::MakeLocalTime(2026, 3, 9, 10, 15, 0)));
    }

    // No pauses between FTP commands; every FTP step traced.
    static FileAccessSettings FastFileAccess() {
        FileAccessSettings settings;
        settings.secondsBetweenFtpCommands = 0;
        settings.delayAfterLogonSeconds = 0;
        settings.traceFtpFile = true;
        settings.client.traceClient = true;
        settings.client.timeout = std::chrono::seconds(5);
        return settings;
    }

    static platform::PathMapSettings DriveD(const TempDir& dir) {
        platform::PathMapSettings map;
        map.drives['D'] = (dir.Path() / "d").string();
        return map;
    }

    std::string WorkingFolder() const { return dir.Folder() + "work/"; }
    std::string OnDriveD(const std::string& relative) const { return (dir.Path() / "d" / relative).string(); }

    static std::string Lines(const std::vector<std::string>& lines) {
        std::string bytes;
        for (const std::string& line : lines) bytes += line + "\r\n";
        return bytes;
    }
    void WriteCentral(const std::vector<std::string>& lines) {
        WriteWholeFile(dir / "work/Pressvane/DBFolder.dat", Lines(lines));
    }
    void WriteInInputFolder(const std::vector<std::string>& lines) {
        std::filesystem::create_directories(dir.Path() / "in" / "Pressvane");
        WriteWholeFile(dir / "in/Pressvane/DBFolder.dat", Lines(lines));
    }

    Status Read(const std::string& alias) {
        story.work.alias = alias;
        return reader.ReadFolderDat(route, state, story);
    }
    // The central file holds just this line; the story is published under News.
    Status ReadLine(const std::string& line) {
        WriteCentral({line});
        return Read("News");
    }

    // The texts of the fatal errors reported so far.
    std::vector<std::string> Fatals() const {
        std::vector<std::string> fatals;
        for (const ProgressEvent& event : reporter.Events())
            if (const auto* fatal = std::get_if<FatalError>(&event)) fatals.push_back(fatal->text);
        return fatals;
    }
    // The status lines reported so far in finished words; each also went to
    // the status log.
    std::vector<std::string> OtherLines() const {
        std::vector<std::string> others;
        for (const ProgressEvent& event : reporter.Events()) {
            const auto* note = std::get_if<StatusNote>(&event);
            if (!note) continue;
            others.push_back(note->text);
            EXPECT_TRUE(note->toStatusLog) << note->text;
        }
        return others;
    }

    TempDir dir;
    platform::HostEnvironment host{DriveD(dir)};
    platform::ScopedHostEnvironment installed{host};
    FakeClock clock;
    RecordingReporter reporter;
    RecordingReporter fileReporter;  // the file operations' own lines and traces
    FileAccess access{fileReporter, platform::DefaultClock(), FastFileAccess()};
    TraceLog trace{clock};
    std::atomic<bool> fatalFlag{false};
    WireMessages wire{access, reporter, WorkingFolder(), &fatalFlag};
    FolderAliasReader reader{access, reporter, trace, wire, clock, WorkingFolder()};
    CDirOptions route;
    RouteStoryState state;
    CFileData story;
};

}  // namespace pv::test
