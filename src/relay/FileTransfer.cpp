#include "relay/FileTransfer.h"

#include "transport/Credentials.h"
#include "transport/FtpFile.h"

namespace pv {

namespace {

std::string Shown(const std::string& path) { return WithoutCredentials(path); }

// A path in a folder as shown: the folder without credentials, then the rest
// (a path that no longer starts with the folder is shown on its own).
std::string ShownIn(const std::string& folder, const std::string& path) {
    if (path.compare(0, folder.size(), folder) != 0) return Shown(path);
    return FileForDisplay(folder, path.substr(folder.size()));
}

// The output folder's separator style: "/" for URLs and host paths.
std::string SeparatorFor(const std::string& folder) {
    return (!folder.empty() && folder.back() == '\\') ? "\\" : "/";
}

}  // namespace

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

bool FileTransfer::RenameSpacesToUnderscores(CDirOptions& route, std::string& name) {
    if (!route.m_bSpacesToUnderscores || name.find(' ') == std::string::npos) return true;
    std::string renamed = name;
    for (char& c : renamed)
        if (c == ' ') c = '_';
    CFTPFile file(m_files);
    if (file.Rename(route.m_strInDir + name, route.m_strInDir + renamed) != 0) {
        Status("Unable to rename " + FileForDisplay(route.m_strInDir, name) + " to " + renamed + ". " +
               file.ErrorText() + "\nThe file is left for the next pass.");
        return false;
    }
    name = renamed;
    return true;
}

bool FileTransfer::DownloadInput(const std::string& input, const std::string& name, std::string& localCopy) {
    CFTPFile file(m_files);
    localCopy = m_files.NewTempCopyName("_" + name);
    if (file.CopyFile(input, localCopy)) return true;
    Status("Unable to copy file " + name + ". " + file.ErrorText());
    localCopy.clear();
    return false;
}

bool FileTransfer::CopyToOutput(CDirOptions& route, const std::string& source, const std::string& outputPath,
                                const std::string& name, bool mayMoveSource, CopyOutcome& outcome) {
    CFTPFile file(m_files);
    file.SetSkipDestinationSizeCheck(route.m_bNoSizeCheckForFtp);
    auto failed = [&](const char* what) {
        Status(std::string("Unable to ") + what + " attached file " + name +
               ".\nCopy of compressed output file failed.\nSource File: " + Shown(source) +
               "\nDestination File: " + Shown(outputPath) + ". " + file.ErrorText());
        return false;
    };
    // A unique name is never put over an existing file.
    const bool replace = !UsesUniqueNumbers(route);
    // A rename never shows a partial file, so it needs no temporary name.
    if (mayMoveSource && file.MoveLocalFile(source, outputPath, replace)) return outcome.moved = true;
    if (!route.m_bUseTmpFilenameDuringCopy) {
        if (!file.CopyFile(source, outputPath, !replace)) return failed("transfer");
        outcome.checkedSize = file.CheckedDestinationSize();
        return true;
    }
    const std::string temporary = outputPath + ".tmp";
    if (!file.CopyFile(source, temporary)) return failed("transfer");
    outcome.checkedSize = file.CheckedDestinationSize();
    if (replace) file.Remove(outputPath);
    if (file.Rename(temporary, outputPath) != 0) {
        failed("rename");
        file.Remove(temporary);
        return false;
    }
    return true;
}

// An output folder that went away since the start (or was never made, with
// "DontMakeDirs") is made again.  FTP folders seen once are taken to stay,
// until a delivery into one fails; a local one costs one stat to check.
bool FileTransfer::MakeSureFolderExists(CFTPFile& file, const std::string& folder) {
    const bool ftp = IsFtpUrl(NormalisePath(WithoutCredentials(folder)));
    if (ftp && m_ftpFoldersSeen.count(folder)) return true;
    platform::Existence state = file.FolderExists(folder);
    if (state == platform::Existence::absent) {
        Status("The output folder " + Shown(folder) + " does not exist; making it.");
        file.mkdir(folder);
        state = file.FolderExists(folder);
        if (state == platform::Existence::absent) {
            Status("Unable to make the output folder " + Shown(folder) + ". " + file.ErrorText());
            return false;
        }
    }
    if (ftp && state == platform::Existence::present) m_ftpFoldersSeen.insert(folder);
    return true;
}

bool FileTransfer::UsesUniqueNumbers(const CDirOptions& route) {
    return route.m_bUniqueFile && !route.m_bDontPrependNumber;
}

// The folder's counter wraps after 99999 and starts again at 0 when its
// ID.dat is lost, so a number whose file exists already is skipped.
bool FileTransfer::DrawUniquePath(CFTPFile& file, const std::string& folder, const std::string& name,
                                  std::string& path) {
    for (int attempt = 0; attempt <= kLastUniqueNumber; ++attempt) {
        path = folder + file.GetNextNumberText(folder) + name;
        const platform::Existence state = file.ExistState(path);
        if (state == platform::Existence::absent) return true;
        if (state == platform::Existence::unknown) {
            Status("Unable to tell whether " + Shown(path) + " exists. " + file.ErrorText());
            return false;
        }
    }
    Status("Every unique number for " + name + " is taken in " + Shown(folder) + ".");
    return false;
}

// One output: folder (with prefix), lock, unique name, conversion, copy.
bool FileTransfer::DeliverTo(CDirOptions& route, const std::string& destination, const std::string& name,
                             const std::string& workingSource, bool lastOutput, bool mayMoveSource,
                             Delivery& delivery) {
    delivery.folder = destination;
    const std::string prefix = PrefixFolder(name, route.m_nPrefixCharCount);
    CFTPFile file(m_files);
    if (!prefix.empty()) {
        delivery.folder += prefix + SeparatorFor(destination);
        file.mkdir(delivery.folder);  // before it is locked: a lock needs its folder
    }
    if (route.m_bMakeSurePathsExist && prefix.empty() && !MakeSureFolderExists(file, delivery.folder)) return false;
    if (route.m_bLockOutputFolders && !m_lock.LockDir(file, delivery.folder)) return false;
    // The number is drawn under the lock, so two writers never share one.
    delivery.path = delivery.folder + name;
    if (UsesUniqueNumbers(route) && !DrawUniquePath(file, delivery.folder, name, delivery.path)) {
        if (route.m_bLockOutputFolders) m_lock.UnLockDir(file, delivery.folder);
        return false;
    }
    const std::string converted = Converted(route, workingSource, name, delivery.path);
    const std::string source = converted.empty() ? workingSource : converted;
    Status("to " + ShownIn(delivery.folder, delivery.path) +
           " FileSize: " + std::to_string(std::max<int64_t>(0, platform::FileSize(source))) + ".");
    // A converted file is ours alone: the last output may take it.
    CopyOutcome outcome;
    const bool mayMove = converted.empty() ? mayMoveSource : lastOutput;
    const bool copied = CopyToOutput(route, source, delivery.path, name, mayMove, outcome);
    delivery.movedSource = outcome.moved && converted.empty();
    if (outcome.moved && !converted.empty()) m_conversion->file.clear();
    if (copied) {
        // An FTP copy has just listed its destination to check the size.
        const int64_t size = outcome.checkedSize >= 0 ? outcome.checkedSize : file.GetFileSize(delivery.path);
        Status("Success: Output FileSize: " + std::to_string(size) + ".");
    }
    if (route.m_bLockOutputFolders) m_lock.UnLockDir(file, delivery.folder);
    return copied;
}

// The file is converted once, at the first output that gets that far; the
// other outputs get the same converted file, named as the first was.
std::string FileTransfer::Converted(CDirOptions& route, const std::string& workingSource, const std::string& name,
                                    std::string& outputPath) {
    if (!m_conversion) {
        m_conversion = m_hooks.convert ? m_hooks.convert(route, workingSource, name, outputPath) : ConvertedFile{};
        return m_conversion->file;
    }
    if (m_hooks.reuse && (m_conversion->failed || !m_conversion->file.empty()))
        m_hooks.reuse(route, workingSource, name, *m_conversion, outputPath);
    return m_conversion->file;
}

void FileTransfer::Transfer(CDirOptions& route, const tagFileInfo& info) {
    m_conversion.reset();
    std::string name = info.name;
    if (route.m_strDestDirs.empty()) {
        Status("No output folder for " + FileForDisplay(route.m_strInDir, name) +
               "; the file stays in its input folder.");
        return;
    }
    if (!RenameSpacesToUnderscores(route, name)) return;
    const std::string input = route.m_strInDir + name;
    Status("Copying " + FileForDisplay(route.m_strInDir, name) + " FileSize: " + std::to_string(info.size) + ".");

    std::string workingSource = input;
    std::string localCopy;
    if (IsFtpUrl(NormalisePath(input))) {
        if (!DownloadInput(input, name, localCopy)) return;
        workingSource = localCopy;
    }
    bool anyFailed = false;
    bool firstFailed = false;
    bool inputMoved = false;
    for (size_t index = 0; index < route.m_strDestDirs.size(); ++index) {
        // The last output may take the working file itself (a rename instead
        // of a copy) when nothing needs it afterwards: it is our local copy
        // of an FTP input, or the input, which is deleted after this output.
        const bool lastOutput = index + 1 == route.m_strDestDirs.size();
        const bool sourceGoesAway = !localCopy.empty() || !anyFailed || route.m_bDeleteFailedFiles;
        Delivery delivery;
        const bool ok = DeliverTo(route, route.m_strDestDirs[index], name, workingSource, lastOutput,
                                  lastOutput && sourceGoesAway, delivery);
        if (!ok) {
            m_ftpFoldersSeen.erase(route.m_strDestDirs[index]);
            anyFailed = true;
            firstFailed = firstFailed || index == 0;
        }
        // Once an output failed, the rest are not tried - unless the first
        // output has the file and the route says that is enough to go on.
        const bool goOn = !firstFailed && route.m_bDontFailIfFirstOutputSucceeds;
        if (anyFailed && route.m_bAbortFailedFiles && !goOn) break;
        if (!ok) continue;
        inputMoved = delivery.movedSource && localCopy.empty();
        if (route.m_bSendReceiptViaPinwell && m_hooks.receipt) {
            m_hooks.receipt(route, delivery.path, name, delivery.movedSource ? delivery.path : workingSource);
        }
        if (route.m_bExecuteBatsAfterMove) m_postMove.RunPostMoveBatchFiles(delivery.folder);
    }
    if (m_conversion && !m_conversion->file.empty()) platform::RemoveFile(m_conversion->file);
    m_conversion.reset();
    if (!localCopy.empty()) platform::RemoveFile(localCopy);
    if (anyFailed && !route.m_bDeleteFailedFiles) return;
    Status("Deleting " + FileForDisplay(route.m_strInDir, name) + ".");
    if (inputMoved) return;
    CFTPFile remover(m_files);
    if (remover.Remove(input) != 0) Status("Unable to delete " + FileForDisplay(route.m_strInDir, name) + ". " + remover.ErrorText());
}

}  // namespace pv
