#pragma once
// The service's private folder for temporary copies and conversion output:
// "pressvane-XXXXXX" inside the temporary folder, made on first use and
// removed with everything in it when the service ends.  A lock file inside
// it stays flock'ed while the process lives, so a later start can tell the
// folders of processes that died (kill -9, power cut) from those of live
// ones, and remove only the former.
#include <string>

namespace pv::platform {

class PrivateTempFolder {
public:
    explicit PrivateTempFolder(std::string parent) : m_parent(std::move(parent)) {}
    ~PrivateTempFolder();
    PrivateTempFolder(const PrivateTempFolder&) = delete;
    PrivateTempFolder& operator=(const PrivateTempFolder&) = delete;

    // The folder with a trailing "/", made and locked on the first call;
    // empty when it cannot be made.
    const std::string& Path();

    // Removes the private folders in parent that no live process holds (and
    // that belong to this user).  Returns how many were removed.
    static int RemoveAbandoned(const std::string& parent);

    static constexpr const char* kPrefix = "pressvane-";
    static constexpr const char* kLockName = ".owner.lock";

private:
    std::string m_parent;
    std::string m_path;
    int m_lockFd = -1;
};

}  // namespace pv::platform
