#include "relay/FileTransfer.h"

#include "platform/HostEnvironment.h"
#include "transport/FtpFile.h"

namespace pv {

// Counted on the name without its extension: "ABC123.txt" with 3 goes to
// "ABC", "AB.txt" stays in the output folder itself.
std::string PrefixFolder(const std::string& name, int prefixCharCount) {
    const size_t dot = name.rfind('.');
    const std::string title = (dot == std::string::npos || dot == 0) ? name : name.substr(0, dot);
    if (prefixCharCount <= 0 || title.size() < static_cast<size_t>(prefixCharCount)) return {};
    const std::string prefix = title.substr(0, static_cast<size_t>(prefixCharCount));
    // "." and ".." name no folder of their own.
    if (prefix == "." || prefix == "..") return {};
    return prefix;
}

bool FileTransfer::RenameSpacesToUnderscores(const CDirOptions& route, std::string& name) {
    if (!route.m_bSpacesToUnderscores || name.find(' ') == std::string::npos) return true;
    std::string renamed = name;
    for (char& c : renamed)
        if (c == ' ') c = '_';
    CFTPFile file(m_files);
    if (file.Rename(route.m_inDir.Join(name), route.m_inDir.Join(renamed)) != 0) {
        Status("Unable to rename " + route.m_inDir.Join(name).Display() + " to " + renamed + ". " + file.ErrorText() +
               "\nThe file is left for the next pass.");
        return false;
    }
    name = renamed;
    return true;
}

bool FileTransfer::DownloadInput(const Location& input, const std::string& name, Location& localCopy) {
    CFTPFile file(m_files);
    localCopy = Location::Parse(m_files.NewTempCopyName("_" + name));
    if (file.CopyFile(input, localCopy)) return true;
    Status("Unable to copy file " + name + ". " + file.ErrorText());
    localCopy = Location();
    return false;
}

bool FileTransfer::CopyToOutput(const CDirOptions& route, const Location& source, const Location& outputPath,
                                const std::string& name, bool mayMoveSource, CopyOutcome& outcome) {
    CFTPFile file(m_files);
    file.SetSkipDestinationSizeCheck(route.m_bNoSizeCheckForFtp);
    auto failed = [&](OutputStep step) {
        m_reporter.Report(OutputFailed{.step = step, .output = outputPath.Display(), .cause = file.ErrorText(),
                                       .fileName = name, .source = source.Display()});
        return false;
    };
    // A unique name is never put over an existing file.
    const bool replace = !UsesUniqueNumbers(route);
    // A rename never shows a partial file, so it needs no temporary name.
    if (mayMoveSource && file.MoveLocalFile(source, outputPath, replace)) {
        outcome.size = file.DeliveredSize();
        return outcome.moved = true;
    }
    if (!route.m_bUseTmpFilenameDuringCopy) {
        if (!file.CopyFile(source, outputPath, !replace)) return failed(OutputStep::copy);
        outcome.size = file.DeliveredSize();
        return true;
    }
    const Location temporary = Location::Parse(outputPath.WithCredentials() + ".tmp");
    if (!file.CopyFile(source, temporary)) return failed(OutputStep::copy);
    outcome.size = file.DeliveredSize();
    if (replace) file.Remove(outputPath);
    if (file.Rename(temporary, outputPath) != 0) {
        failed(OutputStep::renameIntoPlace);
        file.Remove(temporary);
        return false;
    }
    return true;
}

// An output folder that went away since the start (or was never made, with
// "DontMakeDirs") is made again.  FTP folders seen once are taken to stay,
// until a delivery into one fails; a local one costs one stat to check.
bool FileTransfer::MakeSureFolderExists(CFTPFile& file, const Location& folder, const std::string& name) {
    const bool ftp = folder.IsFtp();
    if (ftp && m_ftpFoldersSeen.count(folder.Written())) return true;
    platform::Existence state = file.FolderExists(folder);
    if (state == platform::Existence::absent) {
        Status("The output folder " + folder.Display() + " does not exist; making it.");
        file.mkdir(folder);
        state = file.FolderExists(folder);
        if (state == platform::Existence::absent) {
            m_reporter.Report(OutputFailed{.step = OutputStep::makeFolder, .output = folder.Display(),
                                           .cause = file.ErrorText(), .fileName = name, .source = {}});
            return false;
        }
    }
    if (ftp && state == platform::Existence::present) m_ftpFoldersSeen.insert(folder.Written());
    return true;
}

bool FileTransfer::UsesUniqueNumbers(const CDirOptions& route) {
    return route.m_bUniqueFile && !route.m_bDontPrependNumber;
}

// The folder's counter wraps after 99999 and starts again at 0 when its
// ID.dat is lost, so a number whose file exists already is skipped.
bool FileTransfer::DrawUniquePath(CFTPFile& file, const Location& folder, const std::string& name, Location& path) {
    for (int attempt = 0; attempt <= kLastUniqueNumber; ++attempt) {
        path = folder.Join(file.GetNextNumberText(folder) + name);
        const platform::Existence state = file.ExistState(path);
        if (state == platform::Existence::absent) return true;
        if (state == platform::Existence::unknown) {
            m_reporter.Report(OutputFailed{.step = OutputStep::checkName, .output = path.Display(),
                                           .cause = file.ErrorText(), .fileName = name, .source = {}});
            return false;
        }
    }
    m_reporter.Report(OutputFailed{.step = OutputStep::drawNumber, .output = folder.Display(), .cause = {},
                                   .fileName = name, .source = {}});
    return false;
}

// One output: folder (with prefix), lock, unique name, conversion, copy.
bool FileTransfer::DeliverTo(const CDirOptions& route, const Location& destination, const std::string& name,
                             const Location& workingSource, bool lastOutput, bool mayMoveSource, Delivery& delivery) {
    // The folder's names are checked once for the lock, the number and the copy.
    platform::LookupBatch batch;
    delivery.folder = destination;
    const std::string prefix = PrefixFolder(name, route.m_nPrefixCharCount);
    CFTPFile file(m_files);
    if (!prefix.empty()) {
        delivery.folder = destination.Subfolder(prefix);
        file.mkdir(delivery.folder);  // before it is locked: a lock needs its folder
    }
    if (route.m_bMakeSurePathsExist && prefix.empty() && !MakeSureFolderExists(file, delivery.folder, name))
        return false;
    if (route.m_bLockOutputFolders) {
        const pv::Status locked = m_lock.LockDir(file, delivery.folder);
        if (!locked.ok()) {
            ShowFailure(m_reporter, locked);
            return false;
        }
    }
    // The number is drawn under the lock, so two writers never share one.
    delivery.path = delivery.folder.Join(name);
    if (UsesUniqueNumbers(route) && !DrawUniquePath(file, delivery.folder, name, delivery.path)) {
        if (route.m_bLockOutputFolders) m_lock.UnLockDir(file, delivery.folder);
        return false;
    }
    const Location converted = Converted(route, workingSource, name, delivery.path);
    const Location& source = converted.Empty() ? workingSource : converted;
    m_reporter.Report(OutputStarted{delivery.path.Display(), platform::FileSize(source.Path())});
    // A converted file is ours alone: the last output may take it.
    CopyOutcome outcome;
    const bool mayMove = converted.Empty() ? mayMoveSource : lastOutput;
    const bool copied = CopyToOutput(route, source, delivery.path, name, mayMove, outcome);
    delivery.movedSource = outcome.moved && converted.Empty();
    if (outcome.moved && !converted.Empty()) m_conversion->file.clear();
    if (copied) {
        // The copy or move has just seen the size (an FTP copy listed its
        // destination to check it).
        const int64_t size = outcome.size >= 0 ? outcome.size : file.GetFileSize(delivery.path);
        m_reporter.Report(OutputDelivered{delivery.path.Display(), size});
    }
    if (route.m_bLockOutputFolders) m_lock.UnLockDir(file, delivery.folder);
    return copied;
}

// The file is converted once, at the first output that gets that far; the
// other outputs get the same converted file, named as the first was.  The
// hooks name the output by its text (they change its extension or name).
Location FileTransfer::Converted(const CDirOptions& route, const Location& workingSource, const std::string& name,
                                 Location& outputPath) {
    std::string output = outputPath.WithCredentials();
    const std::string source = workingSource.WithCredentials();
    if (!m_conversion) {
        m_conversion = m_hooks.convert ? m_hooks.convert(route, source, name, output) : ConvertedFile{};
    } else if (m_hooks.reuse && (m_conversion->failed || !m_conversion->file.empty())) {
        m_hooks.reuse(route, source, name, *m_conversion, output);
    }
    if (output != outputPath.WithCredentials()) outputPath = Location::Parse(output);
    return m_conversion->file.empty() ? Location() : Location::Parse(m_conversion->file);
}

void FileTransfer::Transfer(const CDirOptions& route, const tagFileInfo& info) {
    m_conversion.reset();
    std::string name = info.name;
    if (route.m_destDirs.empty()) {
        Status("No output folder for " + route.m_inDir.Join(name).Display() + "; the file stays in its input folder.");
        return;
    }
    if (!RenameSpacesToUnderscores(route, name)) return;
    const Location input = route.m_inDir.Join(name);
    m_reporter.Report(FileFound{route.m_inDir.Display(), input.Display(), name, info.size, info.time});

    Location workingSource = input;
    Location localCopy;
    if (input.IsFtp()) {
        if (!DownloadInput(input, name, localCopy)) return;
        workingSource = localCopy;
    }
    bool anyFailed = false;
    bool firstFailed = false;
    bool inputMoved = false;
    for (size_t index = 0; index < route.m_destDirs.size(); ++index) {
        // The last output may take the working file itself (a rename instead
        // of a copy) when nothing needs it afterwards: it is our local copy
        // of an FTP input, or the input, which is deleted after this output.
        const bool lastOutput = index + 1 == route.m_destDirs.size();
        const bool sourceGoesAway = !localCopy.Empty() || !anyFailed || route.m_bDeleteFailedFiles;
        Delivery delivery;
        const bool ok = DeliverTo(route, route.m_destDirs[index], name, workingSource, lastOutput,
                                  lastOutput && sourceGoesAway, delivery);
        if (!ok) {
            m_ftpFoldersSeen.erase(route.m_destDirs[index].Written());
            anyFailed = true;
            firstFailed = firstFailed || index == 0;
        }
        // Once an output failed, the rest are not tried - unless the first
        // output has the file and the route says that is enough to go on.
        const bool goOn = !firstFailed && route.m_bDontFailIfFirstOutputSucceeds;
        if (anyFailed && route.m_bAbortFailedFiles && !goOn) break;
        if (!ok) continue;
        inputMoved = delivery.movedSource && localCopy.Empty();
        if (route.m_bSendReceiptViaPinwell && m_hooks.receipt) {
            const Location& made = delivery.movedSource ? delivery.path : workingSource;
            m_hooks.receipt(route, delivery.path.WithCredentials(), name, made.WithCredentials());
        }
        if (route.m_bExecuteBatsAfterMove) m_postMove.RunPostMoveBatchFiles(delivery.folder.WithCredentials());
    }
    if (m_conversion && !m_conversion->file.empty()) platform::RemoveFile(m_conversion->file);
    m_conversion.reset();
    if (!localCopy.Empty()) platform::RemoveFile(localCopy.Path());
    if (anyFailed && !route.m_bDeleteFailedFiles) return;
    Status("Deleting " + input.Display() + ".");
    if (inputMoved) return;
    CFTPFile remover(m_files);
    if (remover.Remove(input) != 0) Status("Unable to delete " + input.Display() + ". " + remover.ErrorText());
}

}  // namespace pv
