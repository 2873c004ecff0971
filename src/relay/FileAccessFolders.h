#pragma once
// Folder tests and creation for the monitor, through the file access, so
// that FTP input and output folders are handled like local ones.
#include "relay/FolderAccess.h"
#include "transport/FtpFile.h"

namespace pv {

class FileAccessFolders final : public FolderAccess {
public:
    explicit FileAccessFolders(FileAccess& access) : m_access(access) {}
    platform::Existence Exists(const Location& folder) override {
        CFTPFile file(m_access);
        return file.FolderExists(folder);
    }
    bool MakeDirs(const Location& folder) override {
        CFTPFile file(m_access);
        file.mkdir(folder);
        return true;
    }
    void CloseAllFtpClients() override { m_access.CloseAllFtpClients(); }

private:
    FileAccess& m_access;
};

}  // namespace pv
