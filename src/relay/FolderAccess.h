#pragma once
// What the monitor needs from file access to make its folders and end a pass.
#include <string>

#include "platform/FileSystem.h"
#include "transport/Credentials.h"

namespace pv {

class FolderAccess {
public:
    virtual ~FolderAccess() = default;
    virtual platform::Existence Exists(const std::string& folder) = 0;
    virtual bool MakeDirs(const std::string& folder) = 0;
    virtual void CloseAllFtpClients() = 0;
};

// Local and share folders only (no FTP); credentials in a path are dropped.
class LocalFolderAccess final : public FolderAccess {
public:
    platform::Existence Exists(const std::string& folder) override {
        return platform::Exists(WithoutCredentials(folder));
    }
    bool MakeDirs(const std::string& folder) override { return platform::MakeDirs(WithoutCredentials(folder)); }
    void CloseAllFtpClients() override {}
};

}  // namespace pv
