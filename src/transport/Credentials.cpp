#include "transport/Credentials.h"

namespace pv {

bool TakeCredentials(std::string& path, std::string& user, std::string& password, std::string* error) {
    user.clear();
    password.clear();
    const size_t first = path.find('|');
    if (first == std::string::npos) return true;
    const size_t second = path.find('|', first + 1);
    const size_t third = second == std::string::npos ? second : path.find('|', second + 1);
    if (third == std::string::npos) {
        if (error) *error = "Improperly formatted path: " + WithoutCredentials(path) + " Should be PATH|ID|PASSWORD|.";
        return false;
    }
    user = path.substr(first + 1, second - first - 1);
    password = path.substr(second + 1, third - second - 1);
    std::string before = path.substr(0, first);
    std::string after = path.substr(third + 1);
    for (char& c : before)
        if (c == '\\') c = '/';
    for (char& c : after)
        if (c == '\\') c = '/';
    if (!before.empty() && !after.empty() && before.back() == '/' && after.front() == '/') after.erase(0, 1);
    path = before + after;
    return true;
}

// A malformed credential part ("PATH|ID|PASSWORD" without its last "|") is
// cut off at its first "|": where the password ends cannot be told, so
// nothing after it is shown.
std::string WithoutCredentials(const std::string& path) {
    std::string copy = path;
    std::string user, password;
    if (TakeCredentials(copy, user, password)) return copy;
    return path.substr(0, path.find('|'));
}

std::string FileForDisplay(const std::string& folder, const std::string& name) {
    std::string shown = WithoutCredentials(folder);
    if (!shown.empty() && shown.back() != '/' && shown.back() != '\\' && folder.find('|') != std::string::npos)
        shown += '/';
    return shown + name;
}

std::string FolderKeepingCredentials(const std::string& path, bool bareNameIsFolder) {
    std::string plain = path, user, password;
    const bool hasCredentials = path.find('|') != std::string::npos && TakeCredentials(plain, user, password);
    if (!hasCredentials) plain = path.substr(0, path.find('|'));
    const size_t cut = plain.find_last_of("\\/");
    std::string folder = cut != std::string::npos ? plain.substr(0, cut + 1) : bareNameIsFolder ? plain : std::string();
    if (hasCredentials && !user.empty()) folder += "|" + user + "|" + password + "|";
    return folder;
}

std::string FolderForDisplay(const std::string& folder) {
    std::string shown = WithoutCredentials(folder);
    if (!shown.empty() && (shown.back() == '/' || shown.back() == '\\')) shown.pop_back();
    return shown;
}

}  // namespace pv
