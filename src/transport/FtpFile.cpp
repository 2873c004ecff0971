// CFTPFile: copying, testing, listing, renaming, deleting and making folders
// on local, share and FTP paths.
#include "transport/FtpFile.h"

#include "platform/Wildcard.h"
#include "transport/Credentials.h"
#include "transport/FileNames.h"
#include "transport/FtpListing.h"

namespace pv {

namespace {

std::string Format(const char* pattern, const std::string& a) {
    std::string text(pattern);
    const size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, a);
    return text;
}

bool EndsWithSeparator(const std::string& path) {
    return !path.empty() && (path.back() == '\\' || path.back() == '/');
}

const char* TrueFalse(bool value) { return value ? "true" : "false"; }

}  // namespace

CFTPFile::CFTPFile(FileAccess& access) : m_access(access) {}

CFTPFile::~CFTPFile() {
    if (IsOpen()) Close();
}

void CFTPFile::SetCredentials(const std::string& user, const std::string& password) {
    m_strFtpUser = user;
    m_strFtpPassword = password;
}

bool CFTPFile::ParseCredentials(std::string& path, std::string* error) {
    if (path.find('|') == std::string::npos) {
        path = NormalisePath(path);
        return true;
    }
    std::string user, password;
    if (!TakeCredentials(path, user, password, error)) return false;
    path = NormalisePath(path);
    if (!user.empty()) SetCredentials(user, password);
    return true;
}

// The cause of a failed logon, as the line after the operation's own text.
std::string CFTPFile::LogonCause() const {
    const Status& cause = m_access.LastLogonFailure();
    return cause.ok() ? std::string() : "\nCause: " + cause.message() + ".";
}

CFtpClient* CFTPFile::ClientFor(const std::string& url, FtpUrl& split) {
    if (!SplitFtpUrl(url, split)) {
        m_strErrorText = Format("Invalid URL %s.", url);
        return nullptr;
    }
    CFtpClient* client = m_access.GetpFtpClient(split.server, split.port, m_strFtpUser, m_strFtpPassword);
    if (!client) {
        m_strErrorText = Format("Can't logon to FTP server %s.", split.server) + LogonCause();
        return nullptr;
    }
    m_access.WaitBetweenCommands();
    return client;
}

// ---------------------------------------------------------------------------
// Transfers

bool CFTPFile::GetFTPFile(const std::string& source, const std::string& local) {
    platform::RemoveFile(local);
    const bool ok = TransferWithRetry(source, local, true);
    if (!ok) platform::RemoveFile(local);  // never leave half a download behind
    return ok;
}

bool CFTPFile::PutFTPFile(const std::string& local, const std::string& destination) {
    return TransferWithRetry(destination, local, false);
}

bool CFTPFile::TransferWithRetry(const std::string& remote, const std::string& local, bool get) {
    std::string path = remote;
    if (!ParseCredentials(path, &m_strErrorText)) return false;
    FtpUrl url;
    if (!SplitFtpUrl(path, url)) {
        m_strErrorText = Format("Invalid URL %s.", path);
        return false;
    }
    bool ok = false;
    m_bUploadMayBePartial = false;
    for (int attempt = 0; attempt < 2 && !ok; ++attempt) {
        m_strErrorText.clear();
        ok = TransferAttempt(url, path, url.object, local, get);
    }
    if (!ok && m_strErrorText.empty()) m_strErrorText = Format("Failed to get file %s.", path);
    if (!ok && m_bUploadMayBePartial) RemovePartialUpload(path);
    m_access.MarkCommandTime();
    return ok;
}

// An upload that failed may have left part of the file under its name on the
// server, where consumers would take it for the whole file.
void CFTPFile::RemovePartialUpload(const std::string& url) {
    const std::string reason = m_strErrorText;
    const std::string shown = WithoutCredentials(url);
    if (SendFtpCommand(url, "DELE ", 2) == 0) {
        m_strErrorText = reason + "\nThe partial file " + shown + " was removed from the server.";
        return;
    }
    const std::string why = m_strErrorText;
    if (ExistState(url) == platform::Existence::absent) {
        m_strErrorText = reason;
        return;
    }
    m_strErrorText = reason + "\nThe partial file " + shown + " could not be removed from the server" +
                     (why.empty() ? std::string(".") : ": " + why);
}

// One attempt: size of the side we copy from, the transfer, then the size
// of the side we copied to.  An empty file is a file like any other: only a
// size that cannot be found, or two sizes that differ, fail the attempt.
bool CFTPFile::TransferAttempt(const FtpUrl& url, const std::string& shown, const std::string& object,
                               const std::string& local, bool get) {
    int64_t sourceSize = 0;
    m_nCheckedDestinationSize = -1;
    const bool sourceKnown = get ? ExistState(shown, 0, &sourceSize) == platform::Existence::present
                                 : (sourceSize = platform::FileSize(local)) >= 0;
    if (!sourceKnown) {
        m_strErrorText = Format("Failed to get file %s. Failed to get srce size.", get ? shown : local);
        m_access.SleepBetweenAttempts();
        return false;
    }
    CFtpClient* client = m_access.GetpFtpClient(url.server, url.port, m_strFtpUser, m_strFtpPassword);
    if (!client) {
        m_strErrorText = Format(get ? "Failed to get file %s. Failed to logon to server."
                                    : "Failed to Put file %s. Failed to logon to server.",
                                shown) +
                         LogonCause();
        m_access.SleepBetweenAttempts();
        return false;
    }
    if (!get) m_access.WaitBetweenCommands();
    m_access.Trace(get ? "CFTPFile::GetFTPFile - Get the file" : "CFTPFile::PutFTPFile - Put the file");
    const bool moved = client->MoveFile(object, local, get);
    if (!get && client->StoreMayHaveWritten()) m_bUploadMayBePartial = true;
    const std::string clientError = client->m_strErrorText, retMsg = client->m_strRetMsg;
    m_access.ReleaseClient(client);
    if (!moved) {
        m_strErrorText = get ? Format("Failed to get file %s. Failed to move file.", shown) + "\nError:" +
                                   clientError + " RetMsg:" + retMsg
                             : Format("Failed to Put file %s. Failed to Put the file.", shown);
        return false;
    }
    if (!get) {
        m_access.WaitBetweenCommands();
        if (m_bSkipDestSizeCheck) return true;
    }
    int64_t destinationSize = -1;
    if (get) destinationSize = platform::FileSize(local);
    else if (int64_t found = 0; ExistState(shown, 0, &found) == platform::Existence::present) destinationSize = found;
    if (destinationSize < 0) {
        m_strErrorText = get ? Format("Failed to get file %s. Failed to get dest size.", shown) + "\nTemp filename " + local
                             : Format("Failed to Put file %s. Failed to get dest size.", shown) +
                                   " The returned size is: " + std::to_string(destinationSize);
        return false;
    }
    if (destinationSize != sourceSize) {
        m_strErrorText = Format(get ? "Failed to get file %s. File sizes don't match."
                                    : "Failed to Put file %s. File sizes don't match.",
                                shown);
        return false;
    }
    m_nCheckedDestinationSize = destinationSize;
    return true;
}

bool CFTPFile::CopyFile(const std::string& source, const std::string& destination, bool failIfExists) {
    m_strErrorText.clear();
    m_nDeliveredSize = -1;
    const bool inFtp = IsFtpUrl(NormalisePath(source));
    const bool outFtp = IsFtpUrl(NormalisePath(destination));
    if (!inFtp && !outFtp) return CopyLocal(source, destination, failIfExists);
    if (inFtp && outFtp) return CopyFtpToFtp(source, destination);
    const bool ok = inFtp ? GetFTPFile(source, destination) : PutFTPFile(source, destination);
    if (ok) m_nDeliveredSize = m_nCheckedDestinationSize;
    if (!ok) {
        m_access.Trace(std::string("CFTPFile::CopyFile - FAILED - FTP file ") +
                       (inFtp ? "GetFTPFile1" : "PutFTPFile1") + " failed. Error: " + m_strErrorText);
        MailCopyFailure(std::string(inFtp ? "Error during GetFTPFile(" : "Error during PutFTPFile(") +
                            WithoutCredentials(source) + ", " + WithoutCredentials(destination) +
                            ")\nbInputIsFTP: " + TrueFalse(inFtp) + "\nbOutputIsFTP: " + TrueFalse(outFtp) + "\n",
                        WithoutCredentials(destination));
    }
    return ok;
}

// A local copy keeps the source's modification time, unless the settings ask
// for copies to carry the time they were made.
bool CFTPFile::CopyLocal(const std::string& source, const std::string& destination, bool failIfExists) {
    std::string from = source, to = destination;
    if (!ParseCredentials(from, &m_strErrorText) || !ParseCredentials(to, &m_strErrorText)) return false;
    // The bytes go to a hidden name in the destination folder, which is then
    // renamed into place: nobody ever sees part of the file under its name,
    // and a copy cut short by a crash is removed at the next start.
    std::string folder;
    SplitFolderAndName(to, &folder);
    const std::string temporary = folder + HiddenCopyName();
    m_access.NoteInFlight(kInFlightCopy, temporary);
    std::string error;
    platform::PlacedCopy placed;
    if (m_access.Settings().updateDateTimeForUncDestinations) placed.modified = m_access.Clock().NowSeconds();
    else placed.keepSourceTime = true;
    placed.size = &m_nDeliveredSize;
    const bool copied = platform::CopyFileIntoPlace(from, to, temporary, failIfExists, &error, placed);
    m_access.ClearInFlight(kInFlightCopy);
    if (copied) return true;
    m_strErrorText = error;
    MailCopyFailure("Error during ::CopyFile(" + from + ", " + to + ", " + TrueFalse(failIfExists) + ")\ndwError: " +
                        error + "\nbInputIsFTP: false\nbOutputIsFTP: false\n",
                    to);
    return false;
}

bool CFTPFile::MoveLocalFile(const std::string& source, const std::string& destination, bool replace) {
    if (IsFtpUrl(NormalisePath(source)) || IsFtpUrl(NormalisePath(destination))) return false;
    std::string from = source, to = destination;
    std::string error;
    if (!ParseCredentials(from, &error) || !ParseCredentials(to, &error)) return false;
    m_nDeliveredSize = -1;
    if (!platform::MoveByRename(from, to, replace, &m_nDeliveredSize)) return false;
    // A rename keeps the source's modified time, as a local copy does.
    if (m_access.Settings().updateDateTimeForUncDestinations)
        platform::SetModifiedTime(to, m_access.Clock().NowSeconds());
    return true;
}

bool CFTPFile::CopyFtpToFtp(const std::string& source, const std::string& destination) {
    const std::string temporary = m_access.NewTempCopyName();
    const std::string shownSource = WithoutCredentials(source), shownDestination = WithoutCredentials(destination);
    bool ok = GetFTPFile(source, temporary);
    if (!ok) {
        m_access.Trace("CFTPFile::CopyFile - FAILED - FTP file GetFTPFile2 failed");
        MailCopyFailure("Error during GetFTPFile(" + shownSource + ", " + temporary +
                            ")\nbInputIsFTP: true\nbOutputIsFTP: true\n",
                        temporary);
    } else if (!(ok = PutFTPFile(temporary, destination))) {
        m_access.Trace("CFTPFile::CopyFile - FAILED - FTP file PutFTPFile2 failed");
        MailCopyFailure("Error during PutFTPFile(" + temporary + ", " + shownDestination +
                            ")\nbInputIsFTP: true\nbOutputIsFTP: true\n",
                        temporary);
    }
    if (!platform::RemoveFile(temporary) && ok) {
        m_access.Trace("CFTPFile::CopyFile - FAILED - FTP file Remove failed");
        m_strErrorText = "Error during Remove(" + temporary + ")";
        ok = false;
    }
    return ok;
}

// The reason stays the error text; a mail that could not go out is added to
// it.  The file is attached only when there is a local file to attach: a
// failed copy usually left none, and the mail matters more than the file.
void CFTPFile::MailCopyFailure(const std::string& message, const std::string& attachment) {
    Mailer* mailer = m_access.GetMailer();
    if (!mailer) return;
    m_strErrorMailAttachments.clear();
    if (!IsFtpUrl(NormalisePath(attachment)) && platform::Exists(attachment) == platform::Existence::present &&
        !platform::IsDirectory(attachment))
        m_strErrorMailAttachments.push_back(attachment);
    const std::string outcome = mailer->SendFileError("CFtpFile::CopyFile Error", message, m_strErrorMailAttachments);
    if (!outcome.empty()) m_strErrorText += "\nThe failure e-mail was not sent: " + outcome;
}

// ---------------------------------------------------------------------------
// Finding files

platform::Existence CFTPFile::ExistState(const std::string& path, int64_t minSize, int64_t* foundSize) {
    std::string pattern = path;
    const bool folder = EndsWithSeparator(pattern);
    if (folder) pattern += "*.*";
    std::string name;
    bool found = false;
    const int handle = FindFirst(pattern, name, &found);
    const bool unknown = handle < 0 && !m_strErrorText.empty();
    const int64_t size = handle >= 0 ? GetFindFileSize(handle) : 0;
    FindClose(handle);
    if (foundSize) *foundSize = name.empty() ? 0 : size;
    if ((!name.empty() && size >= minSize) || (folder && found)) return platform::Existence::present;
    return unknown ? platform::Existence::unknown : platform::Existence::absent;
}

platform::Existence CFTPFile::FolderExists(const std::string& folderIn) {
    std::string folder = folderIn;
    if (!ParseCredentials(folder, &m_strErrorText)) return platform::Existence::unknown;
    if (!IsFtpUrl(folder)) return platform::IsDirectory(folder) ? platform::Existence::present : platform::Exists(folder) == platform::Existence::unknown ? platform::Existence::unknown : platform::Existence::absent;
    FtpUrl url;
    CFtpClient* client = ClientFor(folder, url);
    if (!client) return platform::Existence::unknown;
    const bool changed = client->SendCommand("CWD " + url.object, 2);
    const int replyClass = client->ReplyClass();
    m_access.ReleaseClient(client);
    if (changed) return platform::Existence::present;
    return replyClass == 5 ? platform::Existence::absent : platform::Existence::unknown;
}

bool CFTPFile::Exist(const std::string& path, int64_t minSize) {
    return ExistState(path, minSize) == platform::Existence::present;
}

int CFTPFile::FindFirst(const std::string& patternIn, std::string& name, bool* found, int level, bool* busy) {
    ++m_nNestingDepth;
    if (busy) *busy = true;
    name.clear();
    m_strErrorText.clear();
    int handle = m_access.TakeFindSlot();
    if (handle < 0) {
        m_strErrorText = "Too many levels of FindFirst.";
    } else {
        FindSlot& slot = *m_access.Slot(handle);
        std::string pattern = patternIn;
        if (!ParseCredentials(pattern, &m_strErrorText)) {
            pattern.clear();
        } else {
            if (found && EndsWithSeparator(pattern)) pattern += "*.*";
            slot.isFtp = IsFtpUrl(pattern);
            if (slot.isFtp) FindFirstFtp(pattern, slot, handle);
            else FindFirstLocal(pattern, slot);
        }
        name = FindNext(handle, level + 1);
        // An FTP folder shows itself only through the files in it.
        if (slot.isFtp) slot.found = !name.empty();
        if (found) *found = slot.found;
        if (name.empty()) {
            FindClose(handle, level + 1);
            handle = -1;
        }
    }
    --m_nNestingDepth;
    if (busy) *busy = false;
    return handle;
}

bool CFTPFile::FindFirstFtp(const std::string& pattern, FindSlot& slot, int /*handle*/) {
    m_access.Trace("CFTPFile::FindFirst - Starting. strFilenameIn = " + pattern);
    FtpUrl url;
    CFtpClient* client = ClientFor(pattern, url);
    if (!client) return false;
    const int listing = client->FindFirst(url.object);
    const FtpListResult result = client->LastListResult();
    if (listing < 0) m_strErrorText = client->m_strErrorText.empty() ? "Listing failed." : client->m_strErrorText;
    if (listing >= 0) {
        slot.client = client;
        slot.clientSlot = listing;
        if (result == FtpListResult::noSuchFile) m_strErrorText.clear();
    }
    m_access.MarkCommandTime();
    m_access.ReleaseClient(client);
    return listing >= 0;
}

// A failed listing of a folder that exists is "unknown"; a missing folder
// simply finds nothing.
void CFTPFile::FindFirstLocal(const std::string& pattern, FindSlot& slot) {
    std::string folder, mask;
    const size_t cut = pattern.find_last_of("\\/");
    folder = cut == std::string::npos ? std::string(".") : pattern.substr(0, cut + 1);
    mask = cut == std::string::npos ? pattern : pattern.substr(cut + 1);
    if (mask.find_first_of("*?") == std::string::npos && !mask.empty()) {
        // One named file: look at it alone instead of listing its whole folder.
        platform::DirEntry entry;
        const platform::Existence state = platform::DescribeEntry(pattern, entry);
        if (state == platform::Existence::present) slot.local.push_back(entry);
        else if (state == platform::Existence::unknown) m_strErrorText = "Cannot examine " + pattern + ".";
        slot.found = state == platform::Existence::present;
        return;
    }
    std::string error;
    if (!platform::ListFolder(folder, mask, slot.local, &error)) {
        slot.local.clear();
        if (platform::Exists(folder) != platform::Existence::absent) m_strErrorText = error.empty() ? "Listing failed." : error;
        return;
    }
    slot.found = !slot.local.empty() || platform::WildcardMatch(mask, ".");
}

std::string CFTPFile::FindNext(int handle, int /*level*/) {
    FindSlot* slot = m_access.Slot(handle);
    if (!slot) return {};
    if (!slot->isFtp) {
        while (slot->next < slot->local.size()) {
            const platform::DirEntry& entry = slot->local[slot->next++];
            if (entry.isDirectory) continue;
            slot->current = &entry;
            return entry.name;
        }
        slot->current = nullptr;
        return {};
    }
    if (!slot->client || slot->clientSlot < 0) return {};
    CFtpClient& client = *slot->client;
    while (client.FindNextEntry(slot->clientSlot)) {
        const FtpListEntry* entry = client.FindEntry(slot->clientSlot);
        if (!entry || entry->mayBeFolder) continue;
        std::string name = entry->name;
        if (!name.empty() && name.back() == '\r') name.pop_back();
        if (!name.empty() && (name.back() == '\\' || name.back() == '/')) name.pop_back();
        const size_t cut = name.find_last_of("\\/");
        return cut == std::string::npos ? name : name.substr(cut + 1);
    }
    return {};
}

int64_t CFTPFile::GetFindFileSize(int handle) {
    FindSlot* slot = m_access.Slot(handle);
    if (!slot) return 0;
    if (!slot->isFtp) return slot->current ? slot->current->size : 0;
    const FtpListEntry* entry = slot->client ? slot->client->FindEntry(slot->clientSlot) : nullptr;
    return entry && entry->sizeType == 1 ? entry->size : 0;
}

std::time_t CFTPFile::GetFindFileTime(int handle) {
    FindSlot* slot = m_access.Slot(handle);
    if (!slot) return 0;
    if (!slot->isFtp) return slot->current ? slot->current->modified : 0;
    const FtpListEntry* entry = slot->client ? slot->client->FindEntry(slot->clientSlot) : nullptr;
    return entry ? static_cast<std::time_t>(entry->time) : 0;
}

int64_t CFTPFile::GetFileSize(const std::string& path) {
    std::string name;
    const int handle = FindFirst(path, name);
    const int64_t size = name.empty() ? 0 : GetFindFileSize(handle);
    FindClose(handle);
    return size;
}

int CFTPFile::FindClose(int handle, int /*level*/) {
    if (handle < 0) return 0;
    FindSlot* slot = m_access.Slot(handle);
    if (!slot) return 0;
    if (slot->isFtp && slot->clientSlot >= 0) m_access.Listings().Release(slot->clientSlot);
    m_access.ReleaseFindSlot(handle);
    return 0;
}

// ---------------------------------------------------------------------------
// Removing, renaming, making folders

int CFTPFile::SendFtpCommand(const std::string& url, const std::string& command, int expectedClass) {
    FtpUrl split;
    CFtpClient* client = ClientFor(url, split);
    if (!client) return -1;
    const bool ok = client->SendCommand(command + split.object, expectedClass);
    if (!ok) m_strErrorText = client->m_strRetMsg;
    m_access.ReleaseClient(client);
    return ok ? 0 : -1;
}

int CFTPFile::Remove(const std::string& pathIn) {
    m_strErrorText.clear();
    std::string path = pathIn;
    if (!ParseCredentials(path, &m_strErrorText)) return -1;
    const ReportedScope scope(m_access.GetReporter(), "CFTPFile::Remove - Removing file " + path,
                              m_access.Settings().traceFtpFile);
    int result = -1;
    if (IsFtpUrl(path)) {
        result = SendFtpCommand(path, "DELE ", 2);
    } else {
        std::string error;
        result = platform::RemoveFile(path, &error) ? 0 : -1;
        if (result != 0) m_strErrorText = error;
    }
    // Gone is gone: but only a file known to be absent counts, never one we
    // merely failed to see.
    if (result != 0 && ExistState(path) == platform::Existence::absent) result = 0;
    return result;
}

int CFTPFile::Rename(const std::string& oldIn, const std::string& newIn) {
    m_strErrorText.clear();
    std::string from = oldIn, to = newIn;
    if (!ParseCredentials(from, &m_strErrorText) || !ParseCredentials(to, &m_strErrorText)) return -1;
    const ReportedScope scope(m_access.GetReporter(), "CFTPFile::Rename - Renaming file " + from + " to " + to,
                              m_access.Settings().traceFtpFile);
    if (!IsFtpUrl(from)) {
        std::string error;
        if (platform::RenameNoReplace(from, to, &error)) return 0;
        m_strErrorText = error;
        return -1;
    }
    FtpUrl a, b;
    if (!SplitFtpUrl(from, a) || !SplitFtpUrl(to, b) || a.server != b.server || a.port != b.port) {
        m_strErrorText = "Cannot rename " + from + " to " + to + ": not on the same server.";
        return -1;
    }
    CFtpClient* client = ClientFor(from, a);
    if (!client) return -1;
    const bool ok = client->SendCommand("RNFR " + a.object, 3) && client->SendCommand("RNTO " + b.object, 2);
    if (!ok) m_strErrorText = client->m_strRetMsg;
    m_access.ReleaseClient(client);
    return ok ? 0 : -1;
}

int CFTPFile::mkdir(const std::string& folderIn) {
    std::string folder = folderIn;
    if (!ParseCredentials(folder, &m_strErrorText)) return 0;
    const char separator = folder.find('/') != std::string::npos ? '/' : '\\';
    if (!EndsWithSeparator(folder)) folder += separator;
    size_t start = 0;
    if (IsFtpUrl(folder)) {
        const size_t serverEnd = folder.find('/', 7);
        start = serverEnd == std::string::npos ? folder.size() : serverEnd + 1;
    } else if (folder.size() >= 2 && folder[1] == ':') {
        start = 3;
    } else if (folder.front() == '/' || folder.front() == '\\') {
        start = 1;
    }
    for (size_t at = folder.find_first_of("\\/", start); at != std::string::npos;
         at = folder.find_first_of("\\/", at + 1))
        if (at > 0) mkdirInternal(folder.substr(0, at));
    return 0;
}

int CFTPFile::mkdirInternal(const std::string& folderIn) {
    std::string folder = folderIn;
    if (!ParseCredentials(folder, &m_strErrorText)) return -1;
    if (IsFtpUrl(folder)) return SendFtpCommand(folder, "MKD ", 2);
    return platform::MakeDirs(folder, &m_strErrorText) ? 0 : -1;
}

}  // namespace pv
