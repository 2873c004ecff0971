#include "transport/FileAccess.h"


#include "platform/RunningProgram.h"

namespace pv {

FileAccess::FileAccess(Reporter& reporter, platform::Clock& clock, FileAccessSettings settings, Mailer* mailer,
                       platform::InFlightRecord* inFlight)
    : m_reporter(reporter),
      m_clock(clock),
      m_settings(settings),
      m_mailer(mailer),
      m_tempFolder(platform::TemporaryFolder()),
      m_inFlight(inFlight) {}

FileAccess::~FileAccess() { CloseAllFtpClients(); }

void FileAccess::Trace(const std::string& text) {
    if (m_settings.traceFtpFile) m_reporter.Trace(text);
}

CFtpClient* FileAccess::GetpFtpClient(const std::string& server, int port, const std::string& user,
                                      const std::string& password) {
    for (size_t i = 0; i < m_pool.size();) {
        CFtpClient& client = *m_pool[i];
        const FtpLogonParameters& logon = client.Logon();
        const bool same = client.IsLoggedOn() && logon.host == server && logon.port == port && logon.user == user &&
                          logon.password == password;
        if (!same || client.m_bInUse) {
            ++i;
            continue;
        }
        Trace("CFTPFile::GetpFtpClient - Found logged on ");
        if (client.SendCommand("NOOP", 2)) {
            client.m_bInUse = true;
            return &client;
        }
        Trace("CFTPFile::LogOnToFtpServer - This server is no longer connected to us. Free this Client.");
        client.Quit();
        m_pool.erase(m_pool.begin() + static_cast<std::ptrdiff_t>(i));
        CountConnections();
    }
    auto client = std::make_unique<CFtpClient>(m_reporter, m_settings.client, m_listings);
    if (!client->LogOnToServer(server, port, user, password, "", "", "", "", 0, 0)) {
        m_lastLogonFailure = client->m_logonFailure;
        return nullptr;
    }
    MarkCommandTime();
    client->m_bInUse = true;
    m_pool.push_back(std::move(client));
    CountConnections();
    if (m_settings.delayAfterLogonSeconds > 0)
        m_clock.SleepFor(std::chrono::seconds(m_settings.delayAfterLogonSeconds));
    return m_pool.back().get();
}

// A client that lost its connection while in use counts no more.
void FileAccess::ReleaseClient(CFtpClient* client) {
    if (client) client->m_bInUse = false;
    CountConnections();
}

void FileAccess::CloseAllFtpClients() {
    while (!m_pool.empty()) {
        m_pool.back()->Quit();
        m_pool.pop_back();
    }
    CountConnections();
}

int FileAccess::LoggedOnClientCount() const {
    int count = 0;
    for (const auto& client : m_pool) count += client->IsLoggedOn() ? 1 : 0;
    return count;
}

void FileAccess::WaitBetweenCommands() {
    const std::time_t now = m_clock.NowSeconds();
    const std::time_t since = now - m_lastCommandTime;
    if (since >= 0 && since < m_settings.secondsBetweenFtpCommands)
        m_clock.SleepFor(std::chrono::seconds(m_settings.secondsBetweenFtpCommands - since));
    MarkCommandTime();
}

void FileAccess::MarkCommandTime() { m_lastCommandTime = m_clock.NowSeconds(); }

void FileAccess::SleepBetweenAttempts() {
    if (m_settings.secondsBetweenFtpCommands > 0)
        m_clock.SleepFor(std::chrono::seconds(m_settings.secondsBetweenFtpCommands));
}

std::string FileAccess::TempFolder() {
    const std::string& folder = m_tempFolder.Path();
    return folder.empty() ? platform::TemporaryFolder() + "/" : folder;
}

int FileAccess::NextTempCounter() {
    const int value = m_tempCounter;
    m_tempCounter = m_tempCounter >= 9999 ? 0 : m_tempCounter + 1;
    return value;
}

std::string FileAccess::NewTempCopyName(const std::string& suffix) {
    return TempFolder() + "QMDBTemp" + std::to_string(NextTempCounter()) + suffix;
}

int FileAccess::TakeFindSlot() {
    std::lock_guard<std::mutex> lock(m_findMutex);
    if (m_findCount + 1 >= kFindSlots) return -1;
    const int handle = m_findCount++;
    m_find[handle] = FindSlot{};
    m_find[handle].inUse = true;
    return handle;
}

FindSlot* FileAccess::Slot(int handle) {
    std::lock_guard<std::mutex> lock(m_findMutex);
    return (handle >= 0 && handle < kFindSlots && m_find[handle].inUse) ? &m_find[handle] : nullptr;
}

void FileAccess::ReleaseFindSlot(int handle) {
    std::lock_guard<std::mutex> lock(m_findMutex);
    if (handle < 0 || handle >= kFindSlots) return;
    m_find[handle] = FindSlot{};
    while (m_findCount > 0 && !m_find[m_findCount - 1].inUse) --m_findCount;
}

}  // namespace pv
