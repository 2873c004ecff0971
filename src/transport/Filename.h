#pragma once
// One path split into drive ("C:"), directory (with its trailing separator),
// title (the name without extension) and extension (with its dot).  Both "\"
// and "/" separate folders.  Parts are kept whole, never cut to a length.
#include <string>

#include "platform/FileSystem.h"

namespace pv {

class CFilename {
public:
    CFilename() = default;
    explicit CFilename(const std::string& path);

    // Whether the path names an existing file or folder.  One trailing
    // separator is ignored, so "C:\News\" asks about the folder.
    bool Exists() const;
    // The same question with "could not tell" kept apart from "absent".
    platform::Existence CheckExists() const;

    const std::string& GetFullPath() const { return m_path; }
    const std::string& GetDrive() const { return m_drive; }
    const std::string& GetDir() const { return m_dir; }
    const std::string& GetTitle() const { return m_title; }
    const std::string& GetExt() const { return m_ext; }
    std::string GetFileName() const { return m_title + m_ext; }
    std::string GetPath() const { return m_drive + m_dir; }

private:
    std::string m_path;
    std::string m_drive;
    std::string m_dir;
    std::string m_title;
    std::string m_ext;
};

}  // namespace pv
