#include "publish/OutputRestoral.h"

#include <cerrno>
#include <cstdio>
#include <initializer_list>
#include <system_error>

#include "transport/FileNames.h"
#include "transport/PathJoin.h"

namespace pv {

namespace {

using platform::Existence;

constexpr const char* kDebugSubject = "Output file doesn't exist";

// The texts below are written as the operators' logs and mail filters know
// them; each "%s" takes the next value, in order.
std::string FillIn(const char* format, std::initializer_list<std::string> values) {
    std::string text;
    auto value = values.begin();
    for (const char* at = format; *at; ++at) {
        if (at[0] == '%' && at[1] == 's' && value != values.end()) {
            text += *value++;
            ++at;
        } else {
            text += *at;
        }
    }
    return text;
}

// What the mails say at each occasion.
struct RestoralSubjects {
    const char* workAttempt;
    const char* workFailure;
    const char* backupAttempt;
    const char* backupFailure;
};

constexpr RestoralSubjects kBeforeWrite{
    "Pvane is trying to restore from the temp file %d/%d/%d %02d:%02d",
    "Pvane failed to restore from the temp file %d/%d/%d %02d:%02d",
    "Pvane is trying to restore from the backup file %d/%d/%d %02d:%02d",
    "Pvane failed to restore from the temp file %d/%d/%d %02d:%02d",
};
constexpr RestoralSubjects kAfterPublish{
    "Lorvex is trying to restore from the temp file %d/%d/%d %02d:%02d",
    "Lorvex failed to restore from the temp file %d/%d/%d %02d:%02d",
    "Lorvex is trying to restore from the backup file %d/%d/%d %02d:%02d",
    "Pressvane failed to restore from the temp file %d/%d/%d %02d:%02d",
};
constexpr const char* kNoPageSubject = "Lorvex failed to restore file %d//%d//%d %02d:%02d";

std::string SystemErrorText(int code) {
    return code == 0 ? std::string() : std::error_code(code, std::generic_category()).message();
}

}  // namespace

OutputRestoral::OutputRestoral(const OutputRestoralContext& context, const StoryOptions& options)
    : m_context(context), m_options(options) {}

std::string OutputRestoral::WeekdayName(std::time_t when) {
    static constexpr const char* kNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                             "Thursday", "Friday", "Saturday"};
    std::tm local{};
    platform::Clock::LocalTime(when, local);
    return kNames[local.tm_wday >= 0 && local.tm_wday < 7 ? local.tm_wday : 0];
}

Location OutputRestoral::Anchored(const std::string& path) const {
    const Location location = Location::Parse(path);
    if (location.Kind() != LocationKind::relative || location.Empty()) return location;
    return Location::Parse(JoinPath(m_context.workingFolder, path));
}

// The alias name becomes a folder name: it never brings path characters.
BackupPlaces OutputRestoral::BackupsOf(const Publication& publication) const {
    const CFileData& story = publication.Story();
    Location folder;
    if (!story.options.backupPath.empty()) {
        folder = Anchored(story.options.backupPath);
        if (!folder.IsFolder()) folder = Location::Parse(folder.Written() + (folder.IsFtp() ? "/" : "\\"));
    } else {
        std::string alias = story.work.alias;
        MakeValidFilename(alias, false);
        folder = Location::Parse(JoinPath(m_context.workingFolder, "Backups\\IN" +
                                                                       std::to_string(publication.Route().m_nRouteNumber) +
                                                                       "\\" + alias + "\\"));
    }
    const Location daily = folder.Subfolder(WeekdayName(publication.started));
    const std::string name = publication.paths.output.Name();
    return {folder, daily, folder.Join(name), daily.Join(name)};
}

Location OutputRestoral::DefaultPage(const Publication& publication) const {
    const std::string& templates = publication.Options().templateFolder;
    if (templates.empty()) return {};
    Location folder = Anchored(templates);
    if (!folder.IsFolder()) folder = Location::Parse(folder.Written() + (folder.IsFtp() ? "/" : "\\"));
    return folder.Join(publication.paths.output.Name());
}

void OutputRestoral::MakeBackupFolders(Publication& publication, const BackupPlaces& backups) {
    publication.output.mkdir(backups.folder);
    publication.output.mkdir(backups.daily);
}

Status OutputRestoral::Look(Publication& publication, const Location& file, int64_t minimum, bool& there) {
    const Existence state = publication.output.ExistState(file, minimum);
    there = state == Existence::present;
    if (state != Existence::unknown) return Status::OK();
    return publication.reports.Fatal(Status::IoError("Cannot tell whether " + file.Display() + " exists.")
                                         .WithDetail(publication.output.ErrorText()));
}

Status OutputRestoral::RestoreBeforeWrite(Publication& publication) {
    const PublicationPaths& paths = publication.paths;
    const int64_t minimum = publication.Story().fileOptions.minFileSize;
    const BackupPlaces backups = BackupsOf(publication);
    MakeBackupFolders(publication, backups);
    bool outputThere = false, workThere = false;
    if (Status looked = Look(publication, paths.output, minimum, outputThere); !looked.ok()) return looked;
    if (outputThere) return Status::OK();

    m_context.debug.Send(kDebugSubject, "Output file doesn't exist", ".");
    publication.output.mkdir(paths.output.Folder());
    // An unreadable work file may be the only copy of the latest page: it
    // is not passed over for an older backup.
    if (Status looked = Look(publication, paths.work, minimum, workThere); !looked.ok()) return looked;
    if (workThere) return RestoreFromWork(publication, Occasion::beforeWrite);
    if (m_options.backupOutputFiles) return RestoreFromBackup(publication, backups, Occasion::beforeWrite);
    return RestoreDefaultPage(publication);
}

// The work file holds the page an interrupted publication wrote but did not
// put in place.
Status OutputRestoral::RestoreFromWork(Publication& publication, Occasion occasion) {
    const RestoralSubjects& subjects = occasion == Occasion::beforeWrite ? kBeforeWrite : kAfterPublish;
    const std::string& alias = publication.Story().work.alias;
    const std::string& slug = publication.Story().work.slug;
    const std::string output = publication.paths.output.Display();
    const std::string work = publication.paths.work.Display();
    m_context.reporter.Trace(FillIn(
        "RESTORAL ATTEMPT: Alias: %s Slug: %s\nCopying the temp file %s\n to the destination file %s\n",
        {alias, slug, work, output}));
    MailAttempt(subjects.workAttempt,
                FillIn("Alias: %s\nSlug: %s\nOutput File: %s\nTemp Filename: %s\n", {alias, slug, output, work}));
    std::string error;
    if (CopyIntoPlace(publication, publication.paths.work, publication.paths.output, error)) return Status::OK();

    const std::string fileError = publication.output.ErrorText();
    if (occasion == Occasion::beforeWrite)
        m_context.debug.Send(kDebugSubject,
                             FillIn("The output file doesn't exist, the temp file does exist, but it can't be "
                                    "copied.\nOutput file: %s\nTemp file: %s\nError: %s\n",
                                    {output, work, fileError}));
    m_context.reporter.Trace(FillIn("RESTORAL FAILED: %s\n Cannot copy the temp file %s\n to the destination file "
                                    "%s\n Therefore we will fail so we don't delete the temp file.\nError: %s\n",
                                    {error, work, output, fileError}));
    MailFailure(subjects.workFailure, FillIn("Alias: %s\nSlug: %s\nOutput File: %s\nTemp Filename: %s\nError: %s\n",
                                             {alias, slug, output, work, fileError}));
    publication.reports.Fatal(FillIn("%s\n Cannot rename the temp file %s\n to the destination %s\n Therefore we "
                                     "will fail so we don't delete the temp file.\nError: %s\n",
                                     {error, work, output, fileError}));
    return Status::IoError("Cannot restore " + output + " from " + work + ".").WithDetail(fileError);
}

// Before the fill, no backup at all is a page published for the first
// time: there is nothing to restore.  After the publication the page was
// there or should have been, so a missing backup is a failure too.
Status OutputRestoral::RestoreFromBackup(Publication& publication, const BackupPlaces& backups, Occasion occasion) {
    const RestoralSubjects& subjects = occasion == Occasion::beforeWrite ? kBeforeWrite : kAfterPublish;
    const std::string& alias = publication.Story().work.alias;
    const std::string& slug = publication.Story().work.slug;
    const std::string output = publication.paths.output.Display();
    const std::string backup = backups.file.Display();
    m_context.reporter.Trace(FillIn(
        "RESTORAL ATTEMPT: Alias: %s Slug: %s\nCopying the backup file %s\n to the destination file %s\n",
        {alias, slug, backup, output}));
    const std::string message =
        FillIn("Alias: %s\nSlug: %s\nOutput File: %s\nBackup Filename: %s\n", {alias, slug, output, backup});
    MailAttempt(subjects.backupAttempt, message);

    const int64_t minimum = occasion == Occasion::beforeWrite ? publication.Story().fileOptions.minFileSize : 0;
    bool backupThere = false;
    if (Status looked = Look(publication, backups.file, minimum, backupThere); !looked.ok()) return looked;
    std::string error;
    bool restored = occasion == Occasion::beforeWrite && !backupThere;
    if (backupThere) restored = CopyIntoPlace(publication, backups.file, publication.paths.output, error);
    if (occasion == Occasion::beforeWrite)
        m_context.debug.Send(kDebugSubject, FillIn("The output file didn't exist, the temp file didn't exist, the "
                                                   "backup file did exist.\nOutput file: %s\nBackup file: %s\n"
                                                   "Success: %s\n",
                                                   {output, backup, restored ? "Passed" : "Failed"}));
    if (restored) return Status::OK();

    m_context.reporter.Trace(FillIn("RESTORAL FAILED: Cannot copy the backup file %s\n to the destination file %s\n "
                                    "Therefore we will fail so we don't delete the temp file.\n",
                                    {backup, output}));
    MailFailure(subjects.backupFailure, message);
    publication.reports.Fatal(FillIn("FATAL ERROR: The destination file %s does not exist,\nand there is no temp or "
                                     "backup file either.\nTherefore we can't do anything but fail.\n",
                                     {output}));
    return Status::IoError("Cannot restore " + output + " from " + backup + ".")
        .WithDetail(publication.output.ErrorText());
}

// Without backups, the alias's default page starts the page anew.
Status OutputRestoral::RestoreDefaultPage(Publication& publication) {
    const Location page = DefaultPage(publication);
    std::string error;
    bool pageThere = false;
    if (!page.Empty() && publication.output.ExistState(page) == Existence::present)
        CopyIntoPlace(publication, page, publication.paths.output, error);
    if (Status looked = Look(publication, publication.paths.output, publication.Story().fileOptions.minFileSize,
                             pageThere);
        !looked.ok())
        return looked;
    if (pageThere) return Status::OK();
    return NoPageToRestore(publication);
}

Status OutputRestoral::NoPageToRestore(Publication& publication) {
    const std::string& alias = publication.Story().work.alias;
    const std::string& slug = publication.Story().work.slug;
    const std::string output = publication.paths.output.Display();
    m_context.reporter.Trace(FillIn("RESTORAL FAILED: Alias: %s Slug: %s\nThe destination file %s does not exist, "
                                    "and there is no temp or backup file either.\n Therefore we can't do anything "
                                    "but fail.\n",
                                    {alias, slug, output}));
    MailFailure(kNoPageSubject, FillIn("Alias: %s\nSlug: %s\nOutput File: %s\nThere is no temp file and no backup "
                                       "file. Therefore ee must abort the publish.\n",
                                       {alias, slug, output}));
    publication.reports.Fatal(FillIn("The destination file %s does not exist, and there is no temp or backup file "
                                     "either.\n Therefore we can't do anything but fail.\n",
                                     {output}));
    return Status::NotFound("The destination file " + output + " does not exist, and there is no temp or backup file.");
}

// The page as it was before this publication: the backup file always holds
// it, the daily backup file until the same weekday of the next week.
void OutputRestoral::BackupOutput(Publication& publication) {
    m_context.reporter.Trace(
        FillIn("BACKUP ATTEMPT: m_bBackupOutputFiles: %s bOutputFileExists: %s\n", {"Yes", "Yes"}));
    const BackupPlaces backups = BackupsOf(publication);
    MakeBackupFolders(publication, backups);  // made before the fill already, unless removed since
    for (const Location& copy : {backups.file, backups.dailyFile}) {
        std::string error;
        if (CopyIntoPlace(publication, publication.paths.output, copy, error)) continue;
        m_context.reporter.Status(FillIn("%s\n Non-fatal error. We could not backup destination file %s.\n We will "
                                         "continue without backing it up.\nError: %s\n",
                                         {error, publication.paths.output.Display(), publication.output.ErrorText()}),
                                  true);
    }
}

Status OutputRestoral::ReplaceOutput(Publication& publication) { return m_context.swap.Replace(publication); }

// Reports only: whatever it finds, the story's result stands.
void OutputRestoral::CheckAfterPublish(Publication& publication) {
    const BackupPlaces backups = BackupsOf(publication);
    MakeBackupFolders(publication, backups);
    CFTPFile& file = publication.output;
    const Existence output = file.ExistState(publication.paths.output, publication.Story().fileOptions.minFileSize);
    if (output == Existence::present) return;
    if (output == Existence::unknown) {
        publication.reports.Note("Cannot tell whether " + publication.paths.output.Display() +
                                 " exists after the publication. " + file.ErrorText());
        return;
    }
    const Existence work = file.ExistState(publication.paths.work);
    if (work == Existence::present) {
        RestoreFromWork(publication, Occasion::afterPublish);
    } else if (work == Existence::unknown) {
        publication.reports.Note("Cannot tell whether " + publication.paths.work.Display() + " exists. " +
                                 file.ErrorText());
    } else if (m_options.backupOutputFiles) {
        RestoreFromBackup(publication, backups, Occasion::afterPublish);
    } else {
        NoPageToRestore(publication);
    }
}

bool OutputRestoral::CopyIntoPlace(Publication& publication, const Location& source, const Location& target,
                                   std::string& systemError) {
    CFTPFile& file = publication.output;
    systemError.clear();
    if (!source.IsFtp() && !target.IsFtp()) {
        // A local copy is written under a hidden name and renamed into place.
        errno = 0;
        if (file.CopyFile(source, target)) return true;
        systemError = SystemErrorText(errno);
        return false;
    }
    // A download or an upload writes straight into its file: it goes to a
    // hidden name beside the target first.
    const Location temporary = target.Folder().Join(HiddenCopyName());
    if (!target.IsFtp()) m_context.files.NoteInFlight(kInFlightCopy, temporary.Path());
    bool copied = file.CopyFile(source, temporary);
    if (copied && !(copied = PutInPlace(file, temporary, target))) {
        const std::string why = file.ErrorText();
        file.Remove(temporary);
        file.m_strErrorText = why;
    }
    if (!target.IsFtp()) m_context.files.ClearInFlight(kInFlightCopy);
    return copied;
}

std::string OutputRestoral::Subject(const char* format) const {
    std::tm now{};
    platform::Clock::LocalTime(m_context.clock.NowSeconds(), now);
    char subject[160];
    std::snprintf(subject, sizeof subject, format, now.tm_mon + 1, now.tm_mday, now.tm_year + 1900, now.tm_hour,
                  now.tm_min);
    return subject;
}

void OutputRestoral::MailAttempt(const char* subjectFormat, const std::string& message) {
    if (m_options.sendRestoralAttempts) Mail(m_options.restoralAttemptsEmailTo, subjectFormat, message);
}

void OutputRestoral::MailFailure(const char* subjectFormat, const std::string& message) {
    if (m_options.sendRestoralFailures) Mail(m_options.restoralFailuresEmailTo, subjectFormat, message);
}

// A mail that cannot go out is shown on the status line, with what it said.
void OutputRestoral::Mail(const std::string& to, const char* subjectFormat, const std::string& message) {
    if (to.empty()) return;
    const std::string subject = Subject(subjectFormat);
    std::string error;
    if (m_context.mail.SendMail({to, subject, message, {}, ""}, error)) return;
    m_context.reporter.Status("Error: " + error + "\r\n\r\nTo: " + to + "\r\nFrom: \r\nSubject: " + subject + "\r\n" +
                                  message,
                              true);
}

}  // namespace pv
