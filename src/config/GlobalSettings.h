#pragma once
// The global keys of the settings file, in the three groups in which they are
// read: by the window's initialisation, by the settings reader, and after it.
#include <string>
#include <vector>

#include "config/DirOptions.h"
#include "config/Ini.h"
#include "config/SettingsReads.h"
#include "platform/Reporter.h"

namespace pv {

// Read first, by the window's initialisation.
struct WindowSettings {
    bool minimizeToSystemTray = true;
    int linesToIgnoreOnTopOfStory = 0;
    bool replaceSpacesWithDashes = true;
    bool heartbeatEnabled = false;
    std::string heartbeatFilename = "C:\\Temp\\PressvaneHeartBeat.txt";
    int heartbeatMaxFileSizeInBytes = 5000;
    int kickOffDelaySeconds = 0;
    int kickOffTimeoutSeconds = 30;
    int kickOffFatalErrorTimeoutMinutes = 30;
    std::string kickOffLibrary;  // read only when the watchdog is switched on
};

// Read by the settings reader.
struct ReaderSettings {
    std::string traceLogFilename;
    bool traceLogFtpFile = false;
    bool traceLogFtpClient = false;
    bool minimizeToSystemTray = true;
    int delaySeconds = 5;
    int displayLines = 20;
    int lockRetryDelaySeconds = 5;
    int lockMaxTimeOutMinutes = 240;
    int lockMaxInUseAgeMinutes = 60;
    int throttlingPercentage = 50;
    bool statusLog = false;
    bool backupOutputFiles = true;
    bool useUnicodeConversions = false;
    bool logFtpLogons = false;
    int delayAfterLogonSeconds = 3;
    bool transferAllLinks = false;
    std::vector<std::string> copyExtensions;  // lower case
    std::string defaultPlayPath = "W:\\Audio";
    std::string compressionBatchFilePath;
    // Longest an audio conversion program may run ("Compression Time Limit
    // Seconds", at least 1): a hung one is stopped and the file goes on as it is.
    int compressionTimeLimitSeconds = 600;
    // Folders whose linked files are copied with a story: the input folder of
    // the first route, then one per line of "system\\CusDir32.dat".
    std::vector<std::string> copyPaths;
};

// How the mail server's STARTTLS is used (key "SMTP TLS" of section
// "Postiex", written back as "Verify", "NoVerify" or "Off"):
// verify: TLS whenever the server offers it, its certificate checked against
//   the system's trusted authorities (the default);
// noVerify: the same without checking the certificate (a server with its own
//   or an internal authority's certificate);
// off: never TLS, the mail goes in the clear.
enum class MailTls { verify, noVerify, off };
inline constexpr const char* kMailSection = "Postiex";
inline constexpr const char* kMailTlsKey = "SMTP TLS";

// Read after the settings reader.
struct LaterSettings {
    std::string smtpServer;
    std::string smtpUser;  // empty: mail is sent without logging in
    std::string smtpPassword;
    std::string emailFrom;
    MailTls smtpTls = MailTls::verify;
    bool sendStartupEmail = false;
    std::string startupEmailTo;
    bool sendRestoralAttempts = false;
    std::string restoralAttemptsEmailTo;
    bool sendRestoralFailures = false;
    std::string restoralFailuresEmailTo;
    int secondsDelayBetweenFtpCommands = 1;
    bool debugEmailEnable = false;
    std::string debugEmailTo;
    bool saveEntireCartDataToTag = false;
    bool convertCartToChunk = false;
    std::string targetNameFromCart = "CUTID";
    bool putRetriesOnHold = true;
    bool warnViaPinwell = true;
    std::string pinwellPath;
    bool warnViaEmail = false;
    std::string onHoldEmailTo;
    bool emailDelays = false;
    int delayTimeoutMinutes = 1;
    std::string delayEmailTo;
    PublishOrder publishOrder = PublishOrder::listing;
    int aliasRetryCount = 0;
    int aliasRetryDelayMs = 120000;
    bool updateDateTimeForUncDestinations = false;
};

inline constexpr const char* kPlaceholderAddress = "someone@example.invalid";

WindowSettings ReadWindowSettings(SettingsReader& reads);
// The settings reader: the global keys of its group and, in their place
// among them, the route list.
ReaderSettings ReadReaderSettings(SettingsReader& reads, CIni& ini, Reporter& reporter,
                                  const std::string& workingFolder, bool execute, RouteList& routes);
// The copy path list: first entry, then the text after the first ";" of each
// non-blank line of the list file, with a separator.  False when the list
// file cannot be opened (the first entry is still there).
bool ReadCopyPaths(const std::string& workingFolder, std::vector<std::string>& paths, std::string* listFile);
LaterSettings ReadLaterSettings(SettingsReader& reads, const std::string& workingFolder);

}  // namespace pv
