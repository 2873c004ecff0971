#pragma once
// The safety net of a page that is rewritten on every publication (a page
// under modify_file, a running list): it must never be lost, not when an
// earlier publication died between taking the old page away and putting the
// new one in, not when a file server lets go of a deleted page late, not
// when somebody removed the page by hand.
//
// Before the fill, a missing page is restored, by the first that applies:
//   the work file "<output>.tmp" that an interrupted publication finished
//   but did not put in place; the backup file (with "BackupOutputFiles"; no
//   backup at all is a first publication, which needs nothing); the alias's
//   default page (its template folder + the output name).  A page that
//   cannot be restored fails the story, so a work file that is the only copy
//   of the page is never written over.
// The page as it was before the publication is kept in the backup folder and
// in the daily backup folder of the weekday the publication started on:
//   <working folder>Backups\IN<route number>\<alias>\[<weekday>\]<output name>
// or under the alias's backuppath instead of "<working folder>Backups\IN..".
// The new page takes the old one's place through OutputSwap.  After the
// publication, a page that is missing is restored once more (no default page
// then).
//
// Every attempt and failure is traced and, when the settings ask for it,
// mailed; failures are fatal reports.  A file counts as there only with the
// alias's minfilesize bytes where a page or work file is looked for before
// the fill.  Copies appear under their name only whole: a crash never
// leaves a half backup or a half restored page behind as the only copy.
#include <ctime>
#include <string>

#include "notify/DebugReports.h"
#include "notify/MailSender.h"
#include "platform/Clock.h"
#include "platform/Reporter.h"
#include "publish/OutputSwap.h"
#include "publish/PublishSteps.h"
#include "publish/StoryOptions.h"
#include "transport/FileAccess.h"

namespace pv {

struct OutputRestoralContext {
    FileAccess& files;
    Reporter& reporter;
    platform::Clock& clock;
    DebugReports& debug;
    const MailSender& mail;
    OutputSwap& swap;
    std::string workingFolder;  // ends with a separator
};

// Where the backups of one publication's page go.
struct BackupPlaces {
    Location folder;     // the backup folder
    Location daily;      // its subfolder for the weekday the publication started on
    Location file;       // folder + the output name
    Location dailyFile;  // daily + the output name
};

class OutputRestoral final : public PageKeeper {
public:
    OutputRestoral(const OutputRestoralContext& context, const StoryOptions& options);

    Status RestoreBeforeWrite(Publication& publication) override;
    void BackupOutput(Publication& publication) override;
    Status ReplaceOutput(Publication& publication) override;
    void CheckAfterPublish(Publication& publication) override;

    BackupPlaces BackupsOf(const Publication& publication) const;

    // "Sunday" .. "Saturday": the local weekday of a time.
    static std::string WeekdayName(std::time_t when);

private:
    // The two occasions differ only in the words of their mails and in the
    // debug reports (before the fill only).
    enum class Occasion { beforeWrite, afterPublish };

    Status RestoreFromWork(Publication& publication, Occasion occasion);
    Status RestoreFromBackup(Publication& publication, const BackupPlaces& backups, Occasion occasion);
    Status RestoreDefaultPage(Publication& publication);
    Status NoPageToRestore(Publication& publication);
    // Whether the file is there (with minimum bytes); a file that cannot be
    // looked at fails the story (fatal report) rather than be taken for
    // missing or present.
    Status Look(Publication& publication, const Location& file, int64_t minimum, bool& there);
    void MakeBackupFolders(Publication& publication, const BackupPlaces& backups);
    // A copy that appears under target's name only whole.  false: systemError
    // and the output object's error text say why.
    bool CopyIntoPlace(Publication& publication, const Location& source, const Location& target,
                       std::string& systemError);
    void MailAttempt(const char* subjectFormat, const std::string& message);
    void MailFailure(const char* subjectFormat, const std::string& message);
    void Mail(const std::string& to, const char* subjectFormat, const std::string& message);
    std::string Subject(const char* format) const;
    Location DefaultPage(const Publication& publication) const;
    Location Anchored(const std::string& path) const;

    OutputRestoralContext m_context;
    const StoryOptions m_options;
};

}  // namespace pv
