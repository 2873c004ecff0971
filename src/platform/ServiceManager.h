#pragma once
// Running under systemd: telling the service manager when the service is
// ready and when it stops (the sd_notify datagram protocol, spoken directly),
// and telling whether standard output is a journal stream.
#include <string>

namespace pv::platform {

// Sends one state ("READY=1", "STOPPING=1", "STATUS=...") to the service
// manager that $NOTIFY_SOCKET names (a path, or an abstract name starting
// with '@').  False when there is none or it could not be reached.
bool NotifyServiceManager(const std::string& state);

// True when fd is the stream the service manager connected to the journal:
// $JOURNAL_STREAM ("device:inode") names the same file.  Lines written to it
// may start with "<N>" to give their syslog priority.
bool IsJournalStream(int fd);

}  // namespace pv::platform
