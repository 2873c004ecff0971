#include "config/GlobalSettings.h"

#include <algorithm>

#include "config/RouteReader.h"
#include "platform/Wildcard.h"
#include "transport/Credentials.h"
#include "transport/FileNames.h"
#include "transport/FileString.h"
#include "transport/PathJoin.h"

namespace pv {

namespace {

constexpr const char* kMain = "Pressvane";
constexpr int kMinDelayAfterLogon = 3;
constexpr int kMaxDelayAfterLogon = 60;

// Out-of-range values are corrected and reported (nobody is there to click a
// message box away).
int CheckedDelayAfterLogon(CIni& ini, const std::string& file, Reporter& reporter) {
    int delay = ini.ReadInt("Debug", "Delay After Logon In Seconds", kMinDelayAfterLogon, file);
    auto correct = [&](int value, const char* text) {
        reporter.Status(text, true);
        reporter.Trace(text);
        ini.WriteInt("Debug", "Delay After Logon In Seconds", value, file);
        return value;
    };
    if (delay < kMinDelayAfterLogon)
        delay = correct(kMinDelayAfterLogon,
                        "Delay After Logon In Seconds minimum value is 3 so it has been changed to 3.");
    if (delay > kMaxDelayAfterLogon)
        delay = correct(kMaxDelayAfterLogon,
                        "Delay After Logon In Seconds maximum value is 60 so it has been changed to 60.");
    return delay;
}

PublishOrder ReadPublishOrder(SettingsReader& reads) {
    const std::string value = reads.MarkerString(kMain, "PublishOrder", "OS");
    PublishOrder order = PublishOrder::listing;
    std::string canonical = "OS";
    if (NamesEqual(value, "Oldest")) {
        order = PublishOrder::oldestFirst;
        canonical = "Oldest";
    } else if (NamesEqual(value, "Newest")) {
        order = PublishOrder::newestFirst;
        canonical = "Newest";
    }
    if (canonical != value) reads.Write(kMain, "PublishOrder", canonical);
    return order;
}

}  // namespace

WindowSettings ReadWindowSettings(SettingsReader& reads) {
    WindowSettings s;
    s.minimizeToSystemTray = reads.PositiveBool(kMain, "Minimize To System Tray", "Yes");
    s.linesToIgnoreOnTopOfStory = reads.Integer(kMain, "LinesToIgnoreOnTopOfStory", 0);
    s.replaceSpacesWithDashes = reads.PositiveBool(kMain, "Replace Spaces With In Dashes Output Names", "Yes");
    s.heartbeatEnabled = reads.PositiveBool("HeartBeat", "Enable", "No");
    s.heartbeatFilename = reads.String("HeartBeat", "Filename", s.heartbeatFilename);
    s.heartbeatMaxFileSizeInBytes = reads.Integer("HeartBeat", "MaxFileSizeInBytes", 5000);
    s.kickOffDelaySeconds = reads.Integer("KickOff", "Delay-In-Seconds", 0);
    s.kickOffTimeoutSeconds = reads.Integer("KickOff", "Timeout-In-Seconds", 30);
    s.kickOffFatalErrorTimeoutMinutes = reads.Integer("KickOff", "Fatal-Error-Timeout-In-Minutes", 30);
    if (s.kickOffDelaySeconds != 0 && s.kickOffTimeoutSeconds != 0)
        s.kickOffLibrary = reads.String("KickOff", "Library", "libkeepwell.so");
    return s;
}

namespace {

std::vector<std::string> ReadCopyExtensions(SettingsReader& reads) {
    std::string value = reads.Peek(kMain, "CopyExtensions", "WAV,MP2,MP3,JPG,BMP,WMA,WMV");
    for (char& c : value) c = platform::AsciiLower(c);
    reads.Write(kMain, "CopyExtensions", value);
    return SplitList(value);
}

// Obsolete: a value left there is replaced by a note; a missing key stays missing.
void RetireNoCopyExtensions(SettingsReader& reads) {
    constexpr const char* kNote = "This key is no longer used and may be deleted.";
    if (!reads.Peek(kMain, "NoCopyExtensions", "").empty()) reads.Write(kMain, "NoCopyExtensions", kNote);
}

void WarnAboutRoutesWithoutOutputs(const RouteList& routes, Reporter& reporter) {
    for (const auto& route : routes) {
        const bool publishes = route->m_bProcessDatFiles || route->m_bProcessTxtFiles || route->m_bPrecreateTxtFiles;
        if (publishes || !route->m_destDirs.empty()) continue;
        reporter.Status("The route for " + FolderForDisplay(route->m_inDir.Written()) +
                            " has no output folder; files arriving there are left in place.",
                        true);
    }
}

void ReadRouteKeys(SettingsReader& reads, CIni& ini, const std::string& workingFolder, bool execute,
                   RouteList& routes) {
    RouteReader reader(reads, ini, workingFolder, execute);
    reader.ConvertOldConfiguration();
    reader.WriteRouteZeroTemplate();
    routes = reader.ReadRoutes();
}

}  // namespace

bool ReadCopyPaths(const std::string& workingFolder, std::vector<std::string>& paths, std::string* listFile) {
    paths.assign(1, JoinPath(workingFolder, "Pressvane\\In"));
    const std::string file = JoinPath(workingFolder, "system\\CusDir32.dat");
    if (listFile) *listFile = file;
    CFileString list;
    if (!list.Open(file, platform::File::modeRead)) return false;
    for (std::string line; list.ReadLine(line);) {
        if (TrimBlanks(line).empty()) continue;
        const size_t semicolon = line.find(';');
        std::string path = semicolon == std::string::npos ? line : line.substr(semicolon + 1);
        AppendPathSeparator(path);
        paths.push_back(std::move(path));
    }
    list.Close();
    return true;
}

namespace {

void ReadCopyPathList(const std::string& workingFolder, ReaderSettings& s, Reporter& reporter) {
    std::string listFile;
    if (!ReadCopyPaths(workingFolder, s.copyPaths, &listFile))
        reporter.Status("\nFATAL ERROR!!!\nWe can't open the cusdir32.dat file at " + listFile + "\n", true);
}

}  // namespace

ReaderSettings ReadReaderSettings(SettingsReader& reads, CIni& ini, Reporter& reporter,
                                  const std::string& workingFolder, bool execute, RouteList& routes) {
    const std::string& file = reads.File();
    ReaderSettings s;
    s.traceLogFilename = ini.ReadString(kMain, "TraceLogFilename", "", file);
    s.traceLogFtpFile = ini.ReadBool(kMain, "TraceLogFtpFile", false, file);
    s.traceLogFtpClient = ini.ReadBool(kMain, "TraceLogFtpClient", false, file);
    s.minimizeToSystemTray = reads.PositiveBool(kMain, "Minimize To System Tray", "Yes");
    s.delaySeconds = reads.Integer(kMain, "Delay", 5, 1);
    s.displayLines = reads.Integer(kMain, "Display Lines", 20, 0, 100);
    s.lockRetryDelaySeconds = reads.Integer(kMain, "Lock Retry Delay Seconds", 5);
    s.lockMaxTimeOutMinutes = reads.Integer(kMain, "Lock Max Time Out Minutes", 240);
    s.lockMaxInUseAgeMinutes = reads.Integer(kMain, "Lock Max InUse Age Minutes", 60);
    s.throttlingPercentage = reads.Integer(kMain, "Throttling Percentage", 50, 1);
    s.statusLog = reads.PositiveBool(kMain, "Log", "Off");
    s.backupOutputFiles = reads.PositiveBool(kMain, "BackupOutputFiles", "Yes");
    reporter.Trace(std::string("BackupOutputFiles ini key = ") + (s.backupOutputFiles ? "Yes" : "No"));
    s.useUnicodeConversions = reads.PositiveBool(kMain, "Use-Unicode-Conversions", "No", true);
    s.logFtpLogons = ini.ReadBool("Debug", "Log FTP logons", false, file);
    ini.ReadString("Debug", "Delay After Logon In Seconds Range", "The range of the Delay After Logon is 3 - 60",
                   file);
    s.delayAfterLogonSeconds = CheckedDelayAfterLogon(ini, file, reporter);
    s.transferAllLinks = reads.PositiveBool(kMain, "Transfer All Links", "No", true);
    ReadRouteKeys(reads, ini, workingFolder, execute, routes);
    WarnAboutRoutesWithoutOutputs(routes, reporter);
    s.copyExtensions = ReadCopyExtensions(reads);
    RetireNoCopyExtensions(reads);
    s.defaultPlayPath = reads.String(kMain, "DefaultPlayPath", s.defaultPlayPath);
    s.compressionBatchFilePath =
        reads.String(kMain, "CompressionBatchFilePath", JoinPath(workingFolder, "Pressvane\\BatFiles\\"));
    s.compressionTimeLimitSeconds = reads.Integer(kMain, "Compression Time Limit Seconds", 600, 1);
    ReadCopyPathList(workingFolder, s, reporter);
    return s;
}

namespace {

// "Verify", "NoVerify" or "Off" (case ignored); anything else is taken as
// "Verify", the safe choice.  Written back as understood.
MailTls ReadMailTls(SettingsReader& reads) {
    const std::string value = reads.Peek(kMailSection, kMailTlsKey, "Verify");
    MailTls tls = MailTls::verify;
    std::string canonical = "Verify";
    if (NamesEqual(value, "NoVerify")) {
        tls = MailTls::noVerify;
        canonical = "NoVerify";
    } else if (NamesEqual(value, "Off")) {
        tls = MailTls::off;
        canonical = "Off";
    }
    reads.Write(kMailSection, kMailTlsKey, canonical);
    return tls;
}

// Section "Postiex": the mail server and who gets which mail.  Placeholders
// keep mail unusable until the operator fills them in.
void ReadMailSettings(SettingsReader& reads, LaterSettings& s) {
    constexpr const char* kMail = kMailSection;
    s.smtpServer = reads.String(kMail, "SMTP Server", "smtp.example.invalid");
    s.smtpUser = reads.String(kMail, "User ID", "MyUserID");
    s.smtpPassword = reads.String(kMail, "Password", "password-not-set");
    s.emailFrom = reads.String(kMail, "Email From", "pressvane@example.invalid");
    s.smtpTls = ReadMailTls(reads);
    s.sendStartupEmail = reads.PositiveBool(kMail, "Send Startup Via Postie", "No");
    s.startupEmailTo = reads.String(kMail, "Startup Email To", kPlaceholderAddress);
    s.sendRestoralAttempts = reads.PositiveBool(kMail, "Send Restoral Attempts Via Postie", "No");
    s.restoralAttemptsEmailTo = reads.MarkerString(kMail, "Restoral Attempts Email To", kPlaceholderAddress);
    s.sendRestoralFailures = reads.PositiveBool(kMail, "Send Restoral Failures Via Postie", "No");
    s.restoralFailuresEmailTo = reads.String(kMail, "Restoral Failures Email To", kPlaceholderAddress);
}

}  // namespace

LaterSettings ReadLaterSettings(SettingsReader& reads, const std::string& workingFolder) {
    LaterSettings s;
    ReadMailSettings(reads, s);
    s.secondsDelayBetweenFtpCommands = reads.Integer("FTP", "Seconds Delay Between FTP Commands", 1);
    s.debugEmailEnable = reads.MarkerBool("Debug", "Debug Email Enable", false);
    s.debugEmailTo = reads.MarkerString("Debug", "Debug Email To", kPlaceholderAddress);
    s.saveEntireCartDataToTag = reads.MarkerBool("Cart chunk", "SaveEntireCartDataToTag-vers6-and-higher", false);
    s.convertCartToChunk = reads.MarkerBool("Cart chunk", "convert-cart-to-chunk", false);
    s.targetNameFromCart = reads.MarkerString("Cart chunk", "TargetName-from-CART", "CUTID");
    s.putRetriesOnHold = reads.MarkerBool("ONHOLD", "Put-Retries-On-Hold", true);
    s.warnViaPinwell = reads.MarkerBool("ONHOLD", "Warn-via-PINWELL", true);
    s.pinwellPath = reads.MarkerString("ONHOLD", "PINWELL-path", JoinPath(workingFolder, "pinwell\\"));
    s.warnViaEmail = reads.MarkerBool("ONHOLD", "Warn-Via-Email", false);
    s.onHoldEmailTo = reads.MarkerString("ONHOLD", "OnHoldEmailTo", kPlaceholderAddress);
    s.emailDelays = reads.MarkerBool("ONHOLD", "Email-Delays", false);
    s.delayTimeoutMinutes = reads.MarkerBool("ONHOLD", "DelayTimeout", true) ? 1 : 0;
    s.delayEmailTo = reads.MarkerString("ONHOLD", "DelayEmailTo", kPlaceholderAddress);
    s.publishOrder = ReadPublishOrder(reads);
    s.aliasRetryCount = reads.MarkerInt("Alias Retry", "Alias Retry Count", 0);
    const int retrySeconds = reads.MarkerInt("Alias Retry", "Alias Retry Delay In Seconds", 120);
    s.aliasRetryDelayMs = std::clamp(retrySeconds, 0, 24 * 3600) * 1000;
    s.updateDateTimeForUncDestinations = reads.MarkerBool(kMain, "UpdateDateTimeForUncDestinations", false);
    return s;
}

}  // namespace pv
