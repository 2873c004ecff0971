#include "publish/OutputSwap.h"

#include <chrono>

#include "platform/FileSystem.h"

namespace pv {

namespace {

struct DeleteWait {
    int seconds;
    const char* status;
};

constexpr DeleteWait kDeleteWaits[] = {
    {1, "Delayed delete. Waiting 1 second."},     {5, "Delayed delete. Waiting 5 seconds."},
    {10, "Delayed delete. Waiting 10 seconds."},  {20, "Delayed delete. Waiting 20 seconds."},
    {40, "Delayed delete. Waiting 40 seconds."},
};

}  // namespace

OutputSwap::OutputSwap(FileAccess& files, Reporter& reporter, platform::Clock& clock, DebugReports& debug)
    : m_files(files), m_reporter(reporter), m_clock(clock), m_debug(debug) {}

Status OutputSwap::Replace(Publication& publication) {
    const PublicationPaths& paths = publication.paths;
    CFTPFile file(m_files);
    if (paths.output.IsFtp() || paths.work.IsFtp()) return ReplaceOnServer(publication, file);
    DebugIfWorkSmall(publication, file);
    if (PutInPlace(file, paths.work, paths.output)) return Status::OK();
    return Fail(publication, "Delayed delete failure",
                "Can't rename temp file to original file.\nOutput file: " + paths.output.Display() +
                    "\nTemp file: " + paths.work.Display() + "\n",
                "Cannot rename temp file to original file,\nLeaving temp file behind.\n");
}

Status OutputSwap::ReplaceOnServer(Publication& publication, CFTPFile& file) {
    const PublicationPaths& paths = publication.paths;
    const std::string shown = "Output file: " + paths.output.Display() + "\n";
    if (file.Remove(paths.output) != 0 && file.ExistState(paths.output) == platform::Existence::present) {
        file.Remove(paths.work);
        return Fail(publication, "Can't delete file", "Can't delete the original file.\n" + shown,
                    "Cannot delete the original file.\n");
    }
    if (!WaitUntilGone(file, paths.output)) {
        file.Remove(paths.work);
        return Fail(publication, "Delayed delete failure",
                    "Can't delete the original file. Delayed delete failure.\n" + shown,
                    "Delayed delete. Cannot delete the original file. Giving up.\n");
    }
    DebugIfWorkSmall(publication, file);
    if (file.Rename(paths.work, paths.output) == 0) return Status::OK();
    return Fail(publication, "Delayed delete failure",
                "Can't rename temp file to original file.\n" + shown + "Temp file: " + paths.work.Display() + "\n",
                "Cannot rename temp file to original file,\nLeaving temp file behind.\n");
}

bool OutputSwap::WaitUntilGone(CFTPFile& file, const Location& output) {
    for (const DeleteWait& wait : kDeleteWaits) {
        if (file.ExistState(output) == platform::Existence::absent) return true;
        m_reporter.Status(wait.status, true);
        m_clock.SleepFor(std::chrono::seconds(wait.seconds));
    }
    return file.ExistState(output) == platform::Existence::absent;
}

void OutputSwap::DebugIfWorkSmall(const Publication& publication, CFTPFile& file) {
    const Location& work = publication.paths.work;
    if (m_debug.On() && file.GetFileSize(work) < publication.Story().fileOptions.minFileSize)
        m_debug.Send("File too small", "Temp file is too small when complete.\nTemp file: " + work.Display() + "\n");
}

Status OutputSwap::Fail(Publication& publication, const std::string& subject, const std::string& debugText,
                        const std::string& fatalText) {
    m_debug.Send(subject, debugText);
    publication.reports.Fatal(fatalText);
    return Status::IoError(fatalText);
}

bool PutInPlace(CFTPFile& file, const Location& finished, const Location& target) {
    if (!finished.IsFtp() && !target.IsFtp()) {
        std::string error;
        if (platform::RenameReplace(finished.Path(), target.Path(), &error)) return true;
        file.m_strErrorText = error;
        return false;
    }
    if (file.Rename(finished, target) == 0) return true;
    // Servers on some systems refuse to rename over a file.
    const std::string refused = file.ErrorText();
    if (file.ExistState(target) != platform::Existence::present) {
        file.m_strErrorText = refused;
        return false;
    }
    return file.Remove(target) == 0 && file.Rename(finished, target) == 0;
}

}  // namespace pv
