#pragma once
// Loads the options of the folder alias a story is being published under,
// from the folder alias file "Pressvane\DBFolder.dat", into the story record
// and the route's story state.  The file is read afresh for every
// publication attempt (every alias of every story, every retry), so edits
// take effect with the next attempt; nothing is kept between reads.
//
// Which file: the one under the route's input folder when it exists there,
// else the one under the working folder.  Which line: the first whose alias
// (the text before its first ";") equals the story's alias without regard to
// case; when none does, the first usable line, so the first line serves as
// the default for aliases the file does not list.  See FolderAliasLine.h for
// the syntax and FolderAliasOptions.cpp for what each option sets.
//
// After the options: the database folder, the output extension and the FTP
// user and password are derived, the template folder is made when the route
// makes sure its paths exist, and "[YYYY]", "[MM]" and "[DD]" in the output
// file name, the template folder and the linked-file folder are filled with
// the date of the read.
#include <ctime>
#include <string>

#include "config/DirOptions.h"
#include "config/RouteStoryState.h"
#include "notify/TraceLog.h"
#include "notify/WireMessages.h"
#include "platform/Clock.h"
#include "platform/Reporter.h"
#include "platform/Status.h"
#include "publish/FolderAliasLine.h"
#include "transport/FileAccess.h"
#include "transport/FileData.h"
#include "transport/Location.h"

namespace pv {

class FolderAliasReader {
public:
    // The file's place under the input folder and under the working folder.
    static constexpr const char* kFolderName = "Pressvane";
    static constexpr const char* kFileName = "DBFolder.dat";
    // The database file used when a "database" option names only a folder.
    static constexpr const char* kSubstituteDatabase = "Super_Vorel.mdb";

    // workingFolder ends with a separator.  Fatal errors go to fatalErrors;
    // other status lines to reporter.
    FolderAliasReader(FileAccess& files, Reporter& reporter, TraceLog& trace, WireMessages& fatalErrors,
                      platform::Clock& clock, std::string workingFolder);

    // Loads the options of story.work.alias.  Resets the story's alias
    // options first, and the values of routeState that live for one read.
    // A failure has been reported as a fatal error already (the message is
    // its text, the detail its cause when there is one); the options read up
    // to then stay in the story, and the caller fails this alias.
    Status ReadFolderDat(const CDirOptions& route, RouteStoryState& routeState, CFileData& story);

    // The alias file a story of route reads.
    Location AliasFileFor(const CDirOptions& route);

private:
    struct ReadContext {
        const CDirOptions& route;
        RouteStoryState& state;
        CFileData& story;
        std::tm today;
    };
    enum class Next { readOn, stopReading };

    std::tm Today() const;
    static void PrepareForRead(const CDirOptions& route, RouteStoryState& state, CFileData& story);
    Status ReadAliasLine(const Location& file, const std::string& alias, std::string& line);
    Status ApplyOptions(ReadContext& read, const std::string& line);
    Status ApplyOption(ReadContext& read, const FolderAliasOption& option, Next& next);
    Status SetDatabase(ReadContext& read, const std::string& value, Next& next);
    Status SetTemplateFolder(ReadContext& read, const std::string& value);
    Status DeriveValues(ReadContext& read);
    void DeriveCredentialsAndExtension(CFileData::AliasOptions& options);
    void MakeTemplateFolderIfMissing(ReadContext& read);
    static void FillDates(ReadContext& read);

    // A path as the file operations should see it: a relative path hangs off
    // the working folder.
    Location Anchored(const std::string& path) const;
    Status Fatal(const ReadContext& read, Status failure);

    FileAccess& m_files;
    Reporter& m_reporter;
    TraceLog& m_trace;
    WireMessages& m_fatalErrors;
    platform::Clock& m_clock;
    const std::string m_workingFolder;
};

}  // namespace pv
