#pragma once
// A fresh folder for one test, removed with everything in it afterwards.
#include <filesystem>
#include <string>

namespace pv::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    // The folder with a trailing '/', as the service wants its working folder.
    std::string Folder() const { return m_path.string() + "/"; }
    std::string operator/(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& bytes);

}  // namespace pv::test
