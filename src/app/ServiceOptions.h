#pragma once
// What the settings file says, one struct per component that acts on it.
// The settings loader fills them; each component gets its own when it is
// built and keeps it unchanged for the run (the settings file is read once,
// at start-up).
#include <string>
#include <vector>

#include "audio/RelayedAudio.h"
#include "config/DirOptions.h"
#include "config/GlobalSettings.h"
#include "notify/MailSender.h"
#include "notify/StatusBoard.h"
#include "platform/HostPath.h"
#include "publish/StoryOptions.h"
#include "relay/FolderLock.h"
#include "relay/Watchdog.h"
#include "transport/FileAccess.h"

namespace pv {

// The status lines and logs.
struct StatusOptions {
    int displayLines = 20;    // "Display Lines": lines shown, 0..100
    bool statusLog = false;   // "Log": status lines also go to the daily status log
    HeartbeatSettings heartbeat;
    std::string traceLogFilename;  // "TraceLogFilename": empty = no trace log
    bool traceFtpFile = false;     // "TraceLogFtpFile"
    bool traceFtpClient = false;   // "TraceLogFtpClient"
};

// The monitor and the scan.
struct RelayOptions {
    int delaySeconds = 5;  // "Delay": seconds between passes, at least 1
    PublishOrder publishOrder = PublishOrder::listing;
};

// E-mail: the server, the start-up mail and the file access's failure mails.
struct MailOptions {
    bool on = false;  // a server and a sender are set
    MailSettings server;
    bool sendStartupEmail = false;
    std::string startupEmailTo;
    bool debugEmail = false;  // "Debug Email Enable": failure mails and debug files
    std::string debugEmailTo;
};

struct ServiceOptions {
    platform::PathMapSettings hostPaths;
    bool minimizeToSystemTray = true;
    StatusOptions status;
    WatchdogSettings watchdog;
    FileAccessSettings files;
    LockSettings lock;
    RelayOptions relay;
    RelayedAudioSettings audio;
    MailOptions mail;
    StoryOptions stories;
};

}  // namespace pv
