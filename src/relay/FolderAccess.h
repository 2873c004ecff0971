#pragma once
// What the monitor needs from file access to make its folders and end a pass.
#include <string>

#include "platform/FileSystem.h"
#include "transport/Location.h"

namespace pv {

class FolderAccess {
public:
    virtual ~FolderAccess() = default;
    virtual platform::Existence Exists(const Location& folder) = 0;
    virtual bool MakeDirs(const Location& folder) = 0;
    virtual void CloseAllFtpClients() = 0;
};

// Local and share folders only (no FTP); credentials are not needed.
class LocalFolderAccess final : public FolderAccess {
public:
    platform::Existence Exists(const Location& folder) override { return platform::Exists(folder.Path()); }
    bool MakeDirs(const Location& folder) override { return platform::MakeDirs(folder.Path()); }
    void CloseAllFtpClients() override {}
};

}  // namespace pv
