#include "app/PressvaneDlg.h"

#include <cstdlib>
#include <unistd.h>

#include "config/HostPathSettings.h"
#include "config/ProfileFile.h"
#include "notify/Product.h"
#include "notify/TimeStamp.h"
#include "platform/FileSystem.h"
#include "platform/RunningProgram.h"
#include "relay/CrashLeftovers.h"
#include "transport/Credentials.h"
#include "transport/FileNames.h"
#include "transport/PathJoin.h"

namespace pv {

namespace {

// The temporary folder with a trailing separator.
std::string TempFolderFromEnvironment() {
    std::string folder = platform::TemporaryFolder();
    if (folder.back() != '/' && folder.back() != '\\') folder += '/';
    return folder;
}

}  // namespace

CPressvaneDlg::CPressvaneDlg(const StartupOptions& options, platform::Clock& clock)
    : m_options(options),
      m_clock(clock),
      m_trace(clock),
      m_status(clock, m_trace),
      m_reporter(m_status, m_trace),
      m_debugFiles(clock),
      m_fileAccess(m_reporter, clock),
      m_folders(m_fileAccess),
      m_messages(m_fileAccess, m_reporter, options.workingFolder),
      m_receipts(m_fileAccess, m_messages, m_mail, clock, options.workingFolder),
      m_lock(m_fileAccess, m_reporter, m_trace, clock, m_state.exit),
      m_postMove(m_fileAccess, m_reporter, options.workingFolder),
      m_transfer(m_fileAccess, m_reporter, m_lock, m_postMove),
      m_scan(m_fileAccess, m_reporter, m_trace, clock, m_state, m_messages, m_transfer) {
    m_messages.SetFatalFlag(&m_state.passHadFatalError);
    const std::time_t now = clock.NowSeconds();
    m_state.lastPassEnd = now;
    m_state.lastGoodPassEnd = now;
    m_state.once = options.once;
    m_state.twice = options.twice;
    m_state.noDelay = options.noDelay;
    m_state.dontMakeDirs = options.dontMakeDirs;
}

CPressvaneDlg::~CPressvaneDlg() {
    if (m_monitorThread.joinable()) {
        m_state.exit = true;
        m_monitorThread.join();
    }
    m_watchdog.Close();
}

void CPressvaneDlg::OnInitDialog() {
    m_tempFolder = TempFolderFromEnvironment();
    m_settingsFile = JoinPath(m_options.workingFolder, "Pressvane\\Pressvane.ini");
    // A new installation has no settings folder yet; without it no key could
    // be written back and the file would never list the keys.
    platform::MakeDirs(JoinPath(m_options.workingFolder, "Pressvane"));
    {
        ProfileBatch batch(m_settingsFile);
        SettingsReader reads(m_settingsFile);
        // Before anything that names a Windows path (the heartbeat file).
        platform::SetPathMap(ReadHostPathSettings(reads, m_reporter));
        m_window = ReadWindowSettings(reads);
    }
    m_status.SetHeartbeat({m_window.heartbeatEnabled, m_window.heartbeatFilename,
                           m_window.heartbeatMaxFileSizeInBytes});
    OpenWatchdog();
    ReadSettings();
    ReportMissingSettingsFile();
    ReadLaterSettings();
    SetUpMail();
    SendStartupMail();
    ConfigureFileAccess();
    ConfigureRelay();
    CleanUpAfterCrash();
    m_startTime = m_clock.NowSeconds();

    m_state.finished = false;
    m_monitor = std::make_unique<Monitor>(m_state, m_routes, m_folders, m_reporter, m_clock,
                                          m_options.workingFolder);
    m_monitor->SetRouteScan([this](CDirOptions& route, int) { m_scan.ProcessDirectory(route); });
    m_monitorThread = std::thread([this] { m_monitor->Run(); });
}

// What a run that died left in shared folders goes before the first pass;
// from then on every lock and copy is noted until it is done.
void CPressvaneDlg::CleanUpAfterCrash() {
    CrashLeftovers leftovers(m_fileAccess, m_lock, m_reporter);
    leftovers.RemoveAbandonedTempFolders(platform::TemporaryFolder());
    const std::string recordFile = JoinPath(m_options.workingFolder, "Pressvane\\InFlight.dat");
    std::string error;
    if (!m_inFlight.Open(recordFile, &error)) {
        m_reporter.Status("Unable to keep the record of work under way (" + error +
                              "); after a crash, locks this run took wait for their age limit.",
                          true);
        return;
    }
    leftovers.Clean(m_inFlight.Leftover(), m_routes);
    m_fileAccess.SetInFlightRecord(&m_inFlight);
}

void CPressvaneDlg::OpenWatchdog() {
    WatchdogSettings settings{m_window.kickOffDelaySeconds, m_window.kickOffTimeoutSeconds,
                              m_window.kickOffFatalErrorTimeoutMinutes, m_window.kickOffLibrary};
    m_watchdog.Open(settings, static_cast<long>(::getpid()), kServiceName, m_reporter);
}

// The settings reader: the global keys and the route list.  The settings
// file path is composed again, as at every read.
void CPressvaneDlg::ReadSettings() {
    m_settingsFile = JoinPath(m_options.workingFolder, "Pressvane\\Pressvane.ini");
    ReaderSettings settings;
    {
        ProfileBatch batch(m_settingsFile);
        SettingsReader reads(m_settingsFile);
        settings = ReadReaderSettings(reads, m_ini, m_reporter, m_options.workingFolder, m_options.execute,
                                      m_routes);
    }
    ApplyReaderSettings(settings);
}

void CPressvaneDlg::ApplyReaderSettings(const ReaderSettings& settings) {
    m_reader = settings;
    m_trace.Configure(settings.traceLogFilename, settings.traceLogFtpFile, settings.traceLogFtpClient);
    m_state.delaySeconds = settings.delaySeconds;
    m_status.SetDisplayLines(settings.displayLines);
    const std::string logFolder = JoinPath(m_options.workingFolder, "Pressvane\\INLOG\\");
    platform::MakeDirs(logFolder);
    m_status.ConfigureStatusLog(settings.statusLog, logFolder);
    m_status.ResetRing();
    m_messages.ResetCounter();
}

void CPressvaneDlg::ReportMissingSettingsFile() {
    if (platform::Exists(m_settingsFile) != platform::Existence::absent) return;
    m_reporter.Status("The configuration file " + m_settingsFile + " was not found.", true);
    m_reporter.Status("We will be starting with default settings.", true);
}

void CPressvaneDlg::ReadLaterSettings() {
    {
        ProfileBatch batch(m_settingsFile);
        SettingsReader reads(m_settingsFile);
        m_later = pv::ReadLaterSettings(reads, m_options.workingFolder);
    }
    if (m_later.debugEmailEnable) {
        const std::string debugFolder = JoinPath(m_options.workingFolder, "Debug\\");
        platform::MakeDirs(debugFolder);
        m_debugFiles.SetFolder(debugFolder);
    }
}

void CPressvaneDlg::ConfigureFileAccess() {
    FileAccessSettings settings;
    settings.traceFtpFile = m_reader.traceLogFtpFile && !m_reader.traceLogFilename.empty();
    settings.secondsBetweenFtpCommands = m_later.secondsDelayBetweenFtpCommands;
    settings.delayAfterLogonSeconds = m_reader.delayAfterLogonSeconds;
    settings.updateDateTimeForUncDestinations = m_later.updateDateTimeForUncDestinations;
    settings.client.traceClient = m_reader.traceLogFtpClient && !m_reader.traceLogFilename.empty();
    settings.client.logLogons = m_reader.logFtpLogons;
    m_fileAccess.SetSettings(settings);
}

// Mail is off while the server or the sender is empty.  An empty user sends
// without logging in (a relay that trusts the newsroom's network).
void CPressvaneDlg::SetUpMail() {
    const LaterSettings& s = m_later;
    if (s.smtpServer.empty() || s.emailFrom.empty()) return;
    MailSettings settings;
    settings.server = s.smtpServer;
    settings.user = s.smtpUser;
    settings.password = s.smtpPassword;
    settings.sender = s.emailFrom;
    settings.tls = s.smtpTls;
    m_mail.Configure(settings);
    if (s.debugEmailEnable) {
        m_debugMailer = std::make_unique<DebugMailer>(m_mail, s.debugEmailTo);
        m_fileAccess.SetMailer(m_debugMailer.get());
    }
}

void CPressvaneDlg::SendStartupMail() {
    if (!m_later.sendStartupEmail || m_later.startupEmailTo.empty()) return;
    std::tm local{};
    platform::Clock::LocalTime(m_clock.NowSeconds(), local);
    char subject[64];
    std::snprintf(subject, sizeof subject, "Pressvane is starting up %d/%d/%d %02d:%02d", local.tm_mon + 1,
                  local.tm_mday, local.tm_year + 1900, local.tm_hour, local.tm_min);
    std::string error;
    if (!m_mail.SendMail({m_later.startupEmailTo, subject, subject, {}, ""}, error))
        m_reporter.Status("Error: " + error + "\r\n\r\nTo: " + m_later.startupEmailTo + "\r\nFrom: \r\nSubject: " +
                              subject + "\r\n" + subject,
                          true);
}

void CPressvaneDlg::ConfigureRelay() {
    m_lock.SetSettings({m_reader.lockRetryDelaySeconds, m_reader.lockMaxTimeOutMinutes, m_reader.lockMaxInUseAgeMinutes});
    m_lock.SetDeleteOneInUse(m_options.deleteOneInUse);
    RelayedAudioSettings audio;
    audio.workingFolder = m_options.workingFolder;
    audio.settingsFile = m_settingsFile;
    audio.compressionBatchFolder = m_reader.compressionBatchFilePath;
    audio.throttlingPercentage = m_reader.throttlingPercentage;
    audio.programTimeLimit = std::chrono::seconds(m_reader.compressionTimeLimitSeconds);
    audio.convertCartToChunk = m_later.convertCartToChunk;
    audio.saveEntireCartDataToTag = m_later.saveEntireCartDataToTag;
    audio.nameFromCartMode = CAudioFileHeader::NameModeFromSetting(m_later.targetNameFromCart);
    m_audio = std::make_unique<RelayedAudio>(m_fileAccess, m_reporter, m_debugFiles, m_clock, audio);

    RelayHooks hooks;
    hooks.convert = [this](CDirOptions& route, const std::string& source, const std::string& name,
                           std::string& outputPath) { return m_audio->ConvertRelayedAudio(route, source, name, outputPath); };
    hooks.reuse = [this](CDirOptions&, const std::string& source, const std::string&, const ConvertedFile& converted,
                         std::string& outputPath) { m_audio->NameConvertedOutput(source, converted, outputPath); };
    hooks.receipt = [this](CDirOptions& route, const std::string& outputPath, const std::string&,
                           const std::string& sourcePath) { WriteRelayReceipt(route, outputPath, sourcePath); };
    m_transfer.SetHooks(hooks);
    m_scan.SetPublishOrder(m_later.publishOrder);
}

// The receipt names the output, its size, the output's text tags (a local
// WAV output) and the input's cart chunk.
void CPressvaneDlg::WriteRelayReceipt(CDirOptions& route, const std::string& outputPath, const std::string& sourcePath) {
    static constexpr const char* kTagLabels[] = {
        "Description: ", "OutCue: ",    "LastPlayed: ", "TimesPlayed: ", "SavedBy: ",   "Category: ", "Status: ",
        "Artist: ",      "StartDate: ", "StopDate: ",   "IntroTime: ",   "OutroTime: ", "IntroFade: ", "OutroFade: ",
        "CDat: ",        "MDat: ",      "DayParts: ",   "ISCII: ",       "Tag1: "};
    static constexpr const char* kCartLabels[] = {
        "Cart Version: ",   "Cart Title: ",     "Cart Artist: ",         "Cart CutID: ",
        "Cart ClientID: ",  "Cart Category: ",  "Cart Classification: ", "Cart OutCue: ",
        "Cart StartDate: ", "Cart StartTime: ", "Cart StopDate: ",       "Cart StopTime: ",
        "Cart ProducerAppID: ", "Cart ProducerAppVersion: ", "Cart UserDef: "};
    RelayReceipt receipt;
    SplitFolderAndName(WithoutCredentials(outputPath), nullptr, &receipt.outputFileName);
    CFTPFile sizer(m_fileAccess);
    receipt.outputSize = sizer.GetFileSize(outputPath);
    CAudioFileHeader output;
    if (!IsFtpUrl(NormalisePath(outputPath)) && output.ReadHeader(WithoutCredentials(outputPath)))
        for (int tag = 0; tag < 19; ++tag)
            receipt.outputTags.emplace_back(kTagLabels[tag], output.Tag(static_cast<AudioTag>(tag)));
    CAudioFileHeader input;
    if (input.ReadHeader(sourcePath) && input.HasCart()) {
        receipt.hasInputCart = true;
        for (int field = 0; field <= audio::cartUserDef; ++field)
            receipt.inputCart.emplace_back(kCartLabels[field], input.Cart().Text(static_cast<audio::CartField>(field)));
        receipt.inputCart.emplace_back("Cart URL: ", input.Cart().Text(audio::cartUrl));
        receipt.inputCart.emplace_back("Cart szTagText: ", input.Cart().TagText());
        for (int p = 0; p < audio::kCartPropertyCount; ++p)
            receipt.inputCart.emplace_back("Cart Property " + std::string(audio::kCartPropertyNames[p]) + ": ",
                                           input.CartProperties()[p] + (p + 1 == audio::kCartPropertyCount ? "\n" : ""));
        receipt.entireCartChunk = input.EntireCartChunk();
    }
    m_receipts.WriteRelayReceipt(route, receipt);
}

std::string CPressvaneDlg::LastStartedLine() const {
    return FormatLocalTime(m_startTime, "Last Started: %m/%d/%Y %H:%M:%S");
}

bool CPressvaneDlg::OnTimer() {
    m_watchdog.Tick(m_clock.NowSeconds(), m_state.lastPassEnd, m_state.lastGoodPassEnd);
    const bool ended = m_state.finished;
    m_status.Refresh();
    return ended;
}

void CPressvaneDlg::RequestExit() { m_state.exit = true; }

void CPressvaneDlg::TogglePause() { m_state.pause = !m_state.pause; }

void CPressvaneDlg::JoinMonitor() {
    if (m_monitorThread.joinable()) m_monitorThread.join();
}

}  // namespace pv
