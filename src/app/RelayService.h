#pragma once
// The service's work, built fully configured from the options: file access,
// messages, mail and receipts, audio conversion, the lock, the transfer, the
// publishing of stories, the scan and the monitor.  The service object builds
// one once the settings are read and keeps it for the run; nothing here is
// rewired later.
#include <memory>
#include <string>

#include "app/PublishService.h"
#include "app/ServiceOptions.h"
#include "audio/CodecEngine.h"
#include "audio/RelayedAudio.h"
#include "notify/DebugFiles.h"
#include "notify/MailSender.h"
#include "notify/Receipts.h"
#include "notify/TraceLog.h"
#include "notify/WireMessages.h"
#include "platform/Clock.h"
#include "platform/InFlightRecord.h"
#include "relay/DirectoryScan.h"
#include "relay/FileAccessFolders.h"
#include "relay/FileTransfer.h"
#include "relay/FolderLock.h"
#include "relay/Monitor.h"
#include "relay/MonitorState.h"
#include "relay/PostMoveCommands.h"
#include "transport/FileAccess.h"

namespace pv {

// What the relay shares with the service object that owns it.
struct RelayContext {
    const std::string& workingFolder;
    Reporter& reporter;
    TraceLog& trace;
    platform::Clock& clock;
    MonitorState& state;
    RouteList& routes;
    platform::InFlightRecord* inFlight;  // null: work under way is not noted
};

class RelayService {
public:
    RelayService(const ServiceOptions& options, const RelayContext& context);
    RelayService(const RelayService&) = delete;
    RelayService& operator=(const RelayService&) = delete;

    FileAccess& Files() { return m_files; }
    const FileAccess& Files() const { return m_files; }
    FolderLock& Lock() { return m_lock; }
    const MailSender& Mail() const { return m_mail; }
    Monitor& GetMonitor() { return m_monitor; }
    // The publishing half as the scan uses it (bench/publish times it story
    // by story).
    PublishService& Publishing() { return m_publish; }

private:
    static std::string DebugFolder(const ServiceOptions& options, const std::string& workingFolder);
    RelayHooks Hooks();
    void WriteRelayReceipt(const CDirOptions& route, const std::string& outputPath, const std::string& sourcePath);

    MailSender m_mail;
    std::unique_ptr<DebugMailer> m_debugMailer;
    DebugFiles m_debugFiles;
    FileAccess m_files;
    FileAccessFolders m_folders;
    WireMessages m_messages;
    Receipts m_receipts;
    audio::CodecModule m_codecs;  // loaded on the first conversion
    RelayedAudio m_audio;
    FolderLock m_lock;
    PostMoveCommands m_postMove;
    FileTransfer m_transfer;
    PublishService m_publish;
    DirectoryScan m_scan;
    Monitor m_monitor;
};

}  // namespace pv
