#include "app/SettingsLoader.h"

#include "config/HostPathSettings.h"
#include "config/ProfileFile.h"
#include "config/SettingsReads.h"
#include "platform/FileSystem.h"
#include "transport/PathJoin.h"

namespace pv {

namespace {

void TakeWindowSettings(const WindowSettings& s, ServiceOptions& options) {
    options.minimizeToSystemTray = s.minimizeToSystemTray;
    options.stories.linesToIgnoreOnTopOfStory = s.linesToIgnoreOnTopOfStory;
    options.stories.replaceSpacesWithDashes = s.replaceSpacesWithDashes;
    options.status.heartbeat = {s.heartbeatEnabled, s.heartbeatFilename, s.heartbeatMaxFileSizeInBytes};
    options.watchdog = {s.kickOffDelaySeconds, s.kickOffTimeoutSeconds, s.kickOffFatalErrorTimeoutMinutes,
                        s.kickOffLibrary};
}

void TakeReaderSettings(const ReaderSettings& s, ServiceOptions& options) {
    options.minimizeToSystemTray = s.minimizeToSystemTray;
    options.status.traceLogFilename = s.traceLogFilename;
    options.status.traceFtpFile = s.traceLogFtpFile;
    options.status.traceFtpClient = s.traceLogFtpClient;
    options.status.displayLines = s.displayLines;
    options.status.statusLog = s.statusLog;
    options.relay.delaySeconds = s.delaySeconds;
    options.lock.retryDelaySeconds = s.lockRetryDelaySeconds;
    options.lock.maxTimeOutMinutes = s.lockMaxTimeOutMinutes;
    options.lock.maxInUseAgeMinutes = s.lockMaxInUseAgeMinutes;
    const bool tracing = !s.traceLogFilename.empty();
    options.files.traceFtpFile = s.traceLogFtpFile && tracing;
    options.files.client.traceClient = s.traceLogFtpClient && tracing;
    options.files.client.logLogons = s.logFtpLogons;
    options.files.delayAfterLogonSeconds = s.delayAfterLogonSeconds;
    options.audio.compressionBatchFolder = s.compressionBatchFilePath;
    options.audio.throttlingPercentage = s.throttlingPercentage;
    options.audio.programTimeLimit = std::chrono::seconds(s.compressionTimeLimitSeconds);
    StoryOptions& stories = options.stories;
    stories.backupOutputFiles = s.backupOutputFiles;
    stories.useUnicodeConversions = s.useUnicodeConversions;
    stories.transferAllLinks = s.transferAllLinks;
    stories.copyExtensions = s.copyExtensions;
    stories.copyPaths = s.copyPaths;
    stories.defaultPlayPath = s.defaultPlayPath;
}

// Mail is off while the server or the sender is empty.  An empty user sends
// without logging in (a relay that trusts the newsroom's network).
void TakeMailSettings(const LaterSettings& s, MailOptions& mail) {
    mail.on = !s.smtpServer.empty() && !s.emailFrom.empty();
    if (mail.on) {
        mail.server.server = s.smtpServer;
        mail.server.user = s.smtpUser;
        mail.server.password = s.smtpPassword;
        mail.server.sender = s.emailFrom;
        mail.server.tls = s.smtpTls;
    }
    mail.sendStartupEmail = s.sendStartupEmail;
    mail.startupEmailTo = s.startupEmailTo;
    mail.debugEmail = s.debugEmailEnable;
    mail.debugEmailTo = s.debugEmailTo;
}

void TakeLaterSettings(const LaterSettings& s, ServiceOptions& options) {
    TakeMailSettings(s, options.mail);
    options.files.secondsBetweenFtpCommands = s.secondsDelayBetweenFtpCommands;
    options.files.updateDateTimeForUncDestinations = s.updateDateTimeForUncDestinations;
    options.audio.convertCartToChunk = s.convertCartToChunk;
    options.audio.saveEntireCartDataToTag = s.saveEntireCartDataToTag;
    options.audio.nameFromCartMode = CAudioFileHeader::NameModeFromSetting(s.targetNameFromCart);
    options.relay.publishOrder = s.publishOrder;
    StoryOptions& stories = options.stories;
    stories.sendRestoralAttempts = s.sendRestoralAttempts;
    stories.restoralAttemptsEmailTo = s.restoralAttemptsEmailTo;
    stories.sendRestoralFailures = s.sendRestoralFailures;
    stories.restoralFailuresEmailTo = s.restoralFailuresEmailTo;
    stories.putRetriesOnHold = s.putRetriesOnHold;
    stories.warnViaPinwell = s.warnViaPinwell;
    stories.pinwellPath = s.pinwellPath;
    stories.warnViaEmail = s.warnViaEmail;
    stories.onHoldEmailTo = s.onHoldEmailTo;
    stories.emailDelays = s.emailDelays;
    stories.delayTimeoutMinutes = s.delayTimeoutMinutes;
    stories.delayEmailTo = s.delayEmailTo;
    stories.aliasRetryCount = s.aliasRetryCount;
    stories.aliasRetryDelayMs = s.aliasRetryDelayMs;
}

}  // namespace

SettingsLoader::SettingsLoader(const StartupOptions& startup, CIni& ini, Reporter& reporter)
    : m_startup(startup),
      m_ini(ini),
      m_reporter(reporter),
      m_file(SettingsFileOf(startup)) {}

std::string SettingsLoader::SettingsFileOf(const StartupOptions& startup) {
    return JoinPath(startup.workingFolder, "Pressvane\\Pressvane.ini");
}

void SettingsLoader::ReadStartupKeys(ServiceOptions& options) {
    // A new installation has no settings folder yet; without it no key could
    // be written back and the file would never list the keys.
    platform::MakeDirs(JoinPath(m_startup.workingFolder, "Pressvane"));
    ProfileBatch batch(m_file);
    SettingsReader reads(m_file);
    options.hostPaths = ReadHostPathSettings(reads, m_reporter);
    TakeWindowSettings(ReadWindowSettings(reads), options);
    options.audio.workingFolder = m_startup.workingFolder;
    options.audio.settingsFile = m_file;
    options.lock.deleteOneInUse = m_startup.deleteOneInUse;
}

void SettingsLoader::ReadMainKeys(ServiceOptions& options, RouteList& routes) {
    ProfileBatch batch(m_file);
    SettingsReader reads(m_file);
    TakeReaderSettings(
        ReadReaderSettings(reads, m_ini, m_reporter, m_startup.workingFolder, m_startup.execute, routes), options);
}

void SettingsLoader::ReadLaterKeys(ServiceOptions& options) {
    ProfileBatch batch(m_file);
    SettingsReader reads(m_file);
    TakeLaterSettings(pv::ReadLaterSettings(reads, m_startup.workingFolder), options);
}

}  // namespace pv
