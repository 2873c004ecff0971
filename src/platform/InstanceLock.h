#pragma once
// One running service per user: the first instance holds an flock'ed lock
// file and listens on a local socket; a later one finds the lock taken, asks
// the first to show itself over the socket and goes away.
#include <string>

namespace pv::platform {

class InstanceLock {
public:
    // Folder of the lock file and socket: $PRESSVANE_RUNTIME_DIR, else
    // $XDG_RUNTIME_DIR, else /tmp.
    static std::string DefaultFolder();

    explicit InstanceLock(std::string folder = DefaultFolder());
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // True when this process is now the one instance.  False when another
    // holds the lock (or the lock file cannot be made; error text then set).
    bool Acquire(std::string* error = nullptr);
    // Asks the running instance to show itself; true when it was reached.
    bool AskRunningInstanceToShow();
    // Non-blocking: true once for every "show yourself" request received.
    bool TakeShowRequest();

private:
    std::string m_lockPath;
    std::string m_socketPath;
    int m_lockFd = -1;
    int m_listenFd = -1;
};

}  // namespace pv::platform
