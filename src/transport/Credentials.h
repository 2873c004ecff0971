#pragma once
// FTP credentials carried inside a path: "PATH|ID|PASSWORD|".
#include <string>

namespace pv {

// Takes the credential part (first through third "|") out of `path` and
// returns user and password.  Every "\" becomes "/" first; when the
// characters on both sides of the credential part are "/", one is dropped.
// A path without "|" is left alone (true, empty user).  False, with the
// error text "Improperly formatted path: %s Should be PATH|ID|PASSWORD|.",
// when the second or third "|" is missing.
bool TakeCredentials(std::string& path, std::string& user, std::string& password, std::string* error = nullptr);

// The path with any credential part removed, for status lines and traces.
// A malformed credential part is cut off at its first "|", so no password
// text can leak.
std::string WithoutCredentials(const std::string& path);

// The folder of a path - up to and including its last "/" or "\" - with the
// path's credential part kept after it, so that what is derived from the
// folder reaches the server with the same user: "ftp://h/out/|u|p|x",
// "ftp://h/out|u|p|/x" and "ftp://h/out/|u|p|" all give "ftp://h/out/|u|p|".
// A path without a separator gives itself, or an empty text when
// bareNameIsFolder is false.
std::string FolderKeepingCredentials(const std::string& path, bool bareNameIsFolder = true);

// A file in a folder as shown to people: the folder without its credentials
// (cut at its first "|" when they are malformed), then the name.
std::string FileForDisplay(const std::string& folder, const std::string& name);

// A folder as shown to people: credentials taken out, trailing separator dropped.
std::string FolderForDisplay(const std::string& folder);

}  // namespace pv
