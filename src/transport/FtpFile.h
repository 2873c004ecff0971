#pragma once
// CFTPFile: the one class through which the service opens, reads, writes,
// copies, tests, lists, renames, deletes and creates files and folders, on
// local paths, share paths and "ftp://" URLs alike.  A path may carry FTP
// credentials as "PATH|ID|PASSWORD|"; they are taken out before use and never
// shown.  FTP files are opened through a temporary local copy.
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "transport/FileAccess.h"
#include "transport/FileString.h"
#include "transport/FtpPath.h"
#include "transport/Location.h"

namespace pv {

// The in-flight record's key for the hidden copy being written (FileAccess).
inline constexpr const char* kInFlightCopy = "copy";
// Its key for a page's work file while it is written (a name ending in
// ".part", which is never taken for anything once its writer is gone).
inline constexpr const char* kInFlightWorkFile = "work file";

// Notes a local file that is written under a name of its own (a hidden copy,
// a work file) in the in-flight record for as long as the note lives, so that
// a start after a crash removes what the dead process left half-written.
// Files on FTP servers are not noted: the record never holds credentials.
class InFlightNote {
public:
    InFlightNote(FileAccess& access, const char* key, const Location& file) : m_access(access), m_key(key) {
        m_noted = !file.IsFtp();
        if (m_noted) m_access.NoteInFlight(m_key, file.Path());
    }
    ~InFlightNote() {
        if (m_noted) m_access.ClearInFlight(m_key);
    }
    InFlightNote(const InFlightNote&) = delete;
    InFlightNote& operator=(const InFlightNote&) = delete;

private:
    FileAccess& m_access;
    const char* m_key;
    bool m_noted;
};

class CFTPFile : public CFileString {
public:
    explicit CFTPFile(FileAccess& access);
    ~CFTPFile() override;

    // --- operations on paths -------------------------------------------------
    bool CopyFile(const std::string& source, const std::string& destination, bool failIfExists = false);
    // Moves a local file to a local destination by renaming it, where that
    // leaves what CopyFile and then removing the source would (see
    // platform::MoveByRename); the destination's modified time follows the
    // rule of a local copy.  False (nothing changed: copy instead) for FTP
    // paths and wherever a rename cannot stand in for the copy.  Without
    // replace an existing destination is never replaced (the move fails).
    bool MoveLocalFile(const std::string& source, const std::string& destination, bool replace = true);
    bool GetFTPFile(const std::string& source, const std::string& local);
    bool PutFTPFile(const std::string& local, const std::string& destination);
    // A file of at least minSize bytes, or (path ending in a separator) a folder.
    bool Exist(const std::string& path, int64_t minSize = 0);
    // The same question, with "unknown" when a listing or lookup failed.
    // foundSize, when given, receives the size of the file found.
    platform::Existence ExistState(const std::string& path, int64_t minSize = 0, int64_t* foundSize = nullptr);
    // Whether a folder exists: a local test, or "CWD" on the FTP server (a
    // listing cannot tell an empty folder from a missing one on every server).
    platform::Existence FolderExists(const std::string& folder);
    int FindFirst(const std::string& pattern, std::string& name, bool* found = nullptr, int level = 0,
                  bool* busy = nullptr);
    std::string FindNext(int handle, int level = 0);
    int FindClose(int handle, int level = 0);
    int64_t GetFindFileSize(int handle);
    std::time_t GetFindFileTime(int handle);
    int64_t GetFileSize(const std::string& path);
    // 0 on success (the file is known to be gone), -1 otherwise.
    int Remove(const std::string& path);
    int Rename(const std::string& oldPath, const std::string& newPath);
    int mkdir(const std::string& folder);
    int mkdirInternal(const std::string& folder);
    // Takes "|ID|PASSWORD|" out of path; the user and password are kept for
    // this object's FTP operations.  False for a malformed credential part.
    bool ParseCredentials(std::string& path, std::string* error = nullptr);

    // --- the same operations on locations ------------------------------------
    // The credentials come with each location.  A location with a problem is
    // refused: the operation fails with the problem as its error text.
    bool CopyFile(const Location& source, const Location& destination, bool failIfExists = false);
    bool MoveLocalFile(const Location& source, const Location& destination, bool replace = true);
    platform::Existence ExistState(const Location& path, int64_t minSize = 0, int64_t* foundSize = nullptr);
    platform::Existence FolderExists(const Location& folder);
    // Lists the entries of folder that match the wildcard pattern.
    int FindFirst(const Location& folder, const std::string& pattern, std::string& name);
    int64_t GetFileSize(const Location& path);
    int Remove(const Location& path);
    int Rename(const Location& oldPath, const Location& newPath);
    int mkdir(const Location& folder);
    bool Open(const Location& path, unsigned mode, std::string* error = nullptr);
    int GetNextNumber(const Location& folder);
    std::string GetNextNumberText(const Location& folder);

    // --- the open file -------------------------------------------------------
    bool Open(const std::string& path, unsigned mode, std::string* error = nullptr) override;
    bool Close() override;
    // Closes the file and lets go of what was written to an FTP file: it is
    // never uploaded (a local file keeps what was written).
    void Abandon();
    int64_t Read(void* destination, int64_t count) override;
    bool Write(const void* data, int64_t count) override;
    bool ReadLine(std::string& text) override;
    int64_t Seek(int64_t offset, int origin) override;
    int64_t SeekToEnd() { return Seek(0, seekEnd); }
    int64_t GetPosition() override;
    bool WriteText(const std::string& text) override;

    bool MakeTempName(std::string& path);
    int GetNextNumber(const std::string& folder);
    std::string GetNextNumberText(const std::string& folder);

    const std::string& ErrorText() const { return m_strErrorText; }
    void SetSkipDestinationSizeCheck(bool skip) { m_bSkipDestSizeCheck = skip; }
    // The size the last FTP transfer's destination was seen to have when it
    // was checked against the source; -1 when it was not checked.
    int64_t CheckedDestinationSize() const { return m_nCheckedDestinationSize; }
    // The size of what the last CopyFile or MoveLocalFile put in place, as
    // that operation saw it (an FTP copy: the size checked); -1 when it did
    // not see it.
    int64_t DeliveredSize() const { return m_nDeliveredSize; }
    void SetCredentials(const std::string& user, const std::string& password);
    const std::string& FtpUser() const { return m_strFtpUser; }
    const std::string& FtpPassword() const { return m_strFtpPassword; }

    std::string m_strErrorText;
    std::vector<std::string> m_strErrorMailAttachments;

private:
    // The location's text for the operations above, or false (with the error
    // text set) when it has a problem.
    bool Usable(const Location& location, std::string& text);
    bool TransferWithRetry(const std::string& remote, const std::string& local, bool get);
    bool TransferAttempt(const FtpUrl& url, const std::string& remoteShown, const std::string& remote,
                         const std::string& local, bool get);
    bool CopyLocal(const std::string& source, const std::string& destination, bool failIfExists);
    void RemovePartialUpload(const std::string& url);
    bool CopyFtpToFtp(const std::string& source, const std::string& destination);
    void MailCopyFailure(const std::string& message, const std::string& attachment);
    bool FindFirstFtp(const std::string& pattern, FindSlot& slot, int handle);
    void FindFirstLocal(const std::string& pattern, FindSlot& slot);
    CFtpClient* ClientFor(const std::string& url, FtpUrl& split);
    std::string LogonCause() const;
    int SendFtpCommand(const std::string& url, const std::string& command, int expectedClass);

    bool FillReadBuffer(int64_t wanted);
    void ConsumeRead(int64_t count);
    char BufferedByte(int64_t index) const;  // from the read offset; index < m_available
    void ConsumeLineEnd();
    void DropReadLayer();
    bool OpenFtp(const std::string& path, unsigned mode, std::string* error);

    FileAccess& m_access;
    std::string m_strFtpUser;
    std::string m_strFtpPassword;
    bool m_bSkipDestSizeCheck = false;
    int64_t m_nCheckedDestinationSize = -1;
    int64_t m_nDeliveredSize = -1;
    bool m_bUploadMayBePartial = false;  // a failed upload may have left a file behind
    int m_nNestingDepth = 0;

    // The open file.
    std::string m_openPath;    // as opened, credentials taken out
    bool m_bIsFtp = false;
    bool m_bKnownAbsent = false;
    std::string m_tempCopy;
    unsigned m_openMode = 0;
    std::vector<char> m_readBuffer;
    int64_t m_available = 0;
    int64_t m_readOffset = 0;
    int64_t m_position = 0;
    bool m_endOfFile = false;
    bool m_readLayerUsed = false;
};

}  // namespace pv
