// CFTPFile's operations on locations: each hands the location's text, its
// credentials included, to the operation on text, after refusing a location
// that cannot be used.
#include "transport/FtpFile.h"

namespace pv {

bool CFTPFile::Usable(const Location& location, std::string& text) {
    if (!location.Problem().ok()) {
        m_strErrorText = location.Problem().message();
        return false;
    }
    text = location.WithCredentials();
    return true;
}

bool CFTPFile::CopyFile(const Location& source, const Location& destination, bool failIfExists) {
    std::string from, to;
    return Usable(source, from) && Usable(destination, to) && CopyFile(from, to, failIfExists);
}

bool CFTPFile::MoveLocalFile(const Location& source, const Location& destination, bool replace) {
    if (source.IsFtp() || destination.IsFtp()) return false;
    std::string from, to;
    return Usable(source, from) && Usable(destination, to) && MoveLocalFile(from, to, replace);
}

platform::Existence CFTPFile::ExistState(const Location& path, int64_t minSize, int64_t* foundSize) {
    std::string text;
    return Usable(path, text) ? ExistState(text, minSize, foundSize) : platform::Existence::unknown;
}

platform::Existence CFTPFile::FolderExists(const Location& folder) {
    std::string text;
    return Usable(folder, text) ? FolderExists(text) : platform::Existence::unknown;
}

int CFTPFile::FindFirst(const Location& folder, const std::string& pattern, std::string& name) {
    name.clear();
    std::string text;
    return Usable(folder.Join(pattern), text) ? FindFirst(text, name) : -1;
}

int64_t CFTPFile::GetFileSize(const Location& path) {
    std::string text;
    return Usable(path, text) ? GetFileSize(text) : -1;
}

int CFTPFile::Remove(const Location& path) {
    std::string text;
    return Usable(path, text) ? Remove(text) : -1;
}

int CFTPFile::Rename(const Location& oldPath, const Location& newPath) {
    std::string from, to;
    return Usable(oldPath, from) && Usable(newPath, to) ? Rename(from, to) : -1;
}

int CFTPFile::mkdir(const Location& folder) {
    std::string text;
    return Usable(folder, text) ? mkdir(text) : -1;
}

bool CFTPFile::Open(const Location& path, unsigned mode, std::string* error) {
    std::string text;
    if (Usable(path, text)) return Open(text, mode, error);
    if (error) *error = m_strErrorText;
    return false;
}

int CFTPFile::GetNextNumber(const Location& folder) {
    std::string text;
    return Usable(folder, text) ? GetNextNumber(text) : -1;
}

std::string CFTPFile::GetNextNumberText(const Location& folder) {
    std::string text;
    return Usable(folder, text) ? GetNextNumberText(text) : std::string();
}

}  // namespace pv
