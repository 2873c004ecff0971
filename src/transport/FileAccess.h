#pragma once
// What every file object shares: the pool of logged-on FTP clients and the
// table of their open listings, the table of open find operations, the
// pacing of FTP commands, the private folder for temporary copies, the
// unique-number fallback, and where reports and failure mails go.
// The service owns one and hands it to every CFTPFile; all FTP work happens
// on the monitor thread.
#include <array>
#include <atomic>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/InFlightRecord.h"
#include "platform/PrivateTempFolder.h"
#include "platform/Reporter.h"
#include "transport/FtpClient.h"
#include "transport/FtpListing.h"
#include "transport/Mailer.h"

namespace pv {

struct FileAccessSettings {
    bool traceFtpFile = false;               // "TraceLogFtpFile"
    int secondsBetweenFtpCommands = 1;       // "Seconds Delay Between FTP Commands"
    int delayAfterLogonSeconds = 3;          // "Delay After Logon In Seconds"
    bool updateDateTimeForUncDestinations = false;
    FtpClientSettings client;
};

// One open find: a local folder listing or an FTP listing of a pooled client.
struct FindSlot {
    bool inUse = false;
    bool isFtp = false;
    bool found = false;
    std::vector<platform::DirEntry> local;  // local: the matching entries
    size_t next = 0;                        // local: next entry to hand out
    const platform::DirEntry* current = nullptr;
    CFtpClient* client = nullptr;           // FTP: the client holding the listing
    int clientSlot = -1;                    // FTP: the client's listing handle
};

class FileAccess {
public:
    static constexpr int kFindSlots = 10;

    // mailer: where copy failures are mailed (null: not mailed); inFlight:
    // where work under way in shared folders is noted, so that a start after
    // a crash can clean up (null: not noted).
    FileAccess(Reporter& reporter, platform::Clock& clock, FileAccessSettings settings = {}, Mailer* mailer = nullptr,
               platform::InFlightRecord* inFlight = nullptr);
    ~FileAccess();
    FileAccess(const FileAccess&) = delete;
    FileAccess& operator=(const FileAccess&) = delete;

    // A logged-on client for the server and credentials (reused after a
    // successful NOOP, else a new logon), marked in use; null when the logon
    // failed.  Release it with ReleaseClient when done.
    CFtpClient* GetpFtpClient(const std::string& server, int port, const std::string& user,
                              const std::string& password);
    void ReleaseClient(CFtpClient* client);
    // Why the last logon GetpFtpClient tried failed (see CFtpClient).
    const Status& LastLogonFailure() const { return m_lastLogonFailure; }
    void CloseAllFtpClients();
    // Logged-on clients in the pool, counted now (the monitor thread's view).
    int LoggedOnClientCount() const;
    // The same count as of the last change the monitor thread made to the
    // pool or to a client it handed out; safe to read from any thread.
    int OpenConnections() const { return m_openConnections.load(std::memory_order_relaxed); }

    // Sleeps what is left of the delay between FTP commands, then notes now.
    void WaitBetweenCommands();
    void MarkCommandTime();
    void SleepBetweenAttempts();

    // Temporary copies live in a private folder made inside $TEMP (or
    // $TMPDIR, or /tmp) on first use.
    std::string TempFolder();
    int NextTempCounter();
    // A fresh name for a temporary local copy: "<temp folder>QMDBTemp<n>" + suffix.
    std::string NewTempCopyName(const std::string& suffix = ".tmp");

    // The find table, shared by all file objects.
    int TakeFindSlot();
    FindSlot* Slot(int handle);
    void ReleaseFindSlot(int handle);
    // The listings of the pooled FTP clients.
    FtpListingTable& Listings() { return m_listings; }

    // The unique number handed out last where the number file could not be
    // read (CFTPFile::GetNextNumber); it counts on from there.
    int FallbackNumber() const { return m_fallbackNumber; }
    void SetFallbackNumber(int number) { m_fallbackNumber = number; }

    // Notes work under way (locks, copies being written) in the in-flight record.
    void NoteInFlight(const std::string& key, const std::string& value) {
        if (m_inFlight) m_inFlight->Set(key, value);
    }
    void ClearInFlight(const std::string& key) {
        if (m_inFlight) m_inFlight->Clear(key);
    }

    Mailer* GetMailer() const { return m_mailer; }
    Reporter& GetReporter() { return m_reporter; }
    platform::Clock& Clock() { return m_clock; }
    const FileAccessSettings& Settings() const { return m_settings; }
    // Trace lines of the file operations go out only with "TraceLogFtpFile".
    void Trace(const std::string& text);

private:
    void CountConnections() { m_openConnections.store(LoggedOnClientCount(), std::memory_order_relaxed); }

    Reporter& m_reporter;
    platform::Clock& m_clock;
    FileAccessSettings m_settings;
    Mailer* m_mailer;
    FtpListingTable m_listings;  // before the clients, which keep their listings in it
    std::vector<std::unique_ptr<CFtpClient>> m_pool;
    std::atomic<int> m_openConnections{0};  // LoggedOnClientCount for other threads
    Status m_lastLogonFailure;
    std::time_t m_lastCommandTime = 0;
    platform::PrivateTempFolder m_tempFolder;
    platform::InFlightRecord* m_inFlight;
    int m_tempCounter = 0;
    std::mutex m_findMutex;
    std::array<FindSlot, kFindSlots> m_find;
    int m_findCount = 0;
    int m_fallbackNumber = 0;
};

}  // namespace pv
