#pragma once
// Where a file or folder is, parsed once from the text the operator wrote:
// a path on this host, a drive path ("C:\News\"), a share path
// ("\\server\share\x") or an FTP URL ("ftp://server[:port]/path"), with FTP
// credentials ("PATH|ID|PASSWORD|") kept apart from the path.  The display
// form never carries them; joining a name to a folder and taking the folder
// of a file keep them, so what is derived from a folder reaches the server
// as the same user.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Status.h"

namespace pv {

enum class LocationKind { relative, hostAbsolute, drive, share, ftp };

class Location {
public:
    Location() = default;

    // Never fails outright: a malformed credential part, control bytes or a
    // ".." component leave Problem() set (and the display form cut at the
    // first "|", so no password text can show).
    static Location Parse(std::string_view text);

    bool Empty() const { return m_written.empty(); }
    LocationKind Kind() const { return m_kind; }
    bool IsFtp() const { return m_kind == LocationKind::ftp; }
    // Ends with "/" or "\": a folder.
    bool IsFolder() const;

    // The text as written, credentials included (what the settings file holds).
    const std::string& Written() const { return m_written; }
    // The path without credentials, as shown to people.
    const std::string& Display() const { return m_display; }
    // The path without credentials as the file access uses it ("\" becomes
    // "/" in URLs).
    const std::string& Path() const { return m_path; }
    // The credentials: an empty user means none.
    const std::string& User() const { return m_user; }
    const std::string& Password() const { return m_password; }
    bool HasCredentials() const { return !m_user.empty(); }

    // FTP only: the server, its port (21 when not written) and the path on
    // the server.  Empty server: the URL names none (or a bad port).
    const std::string& Server() const { return m_server; }
    uint16_t Port() const { return m_port; }
    const std::string& Object() const { return m_object; }

    // Why the location cannot be used; ok when it can.
    const Status& Problem() const { return m_problem; }

    // A name in this folder (a separator is put between when the folder has
    // none at its end), with the folder's credentials.  A name that is not a
    // safe single file name (empty, "." or "..", holding a separator, "|" or
    // a control byte) gives a location whose Problem() says so.
    Location Join(std::string_view name) const;
    // A folder in this folder: Join(name) ending in a separator ("\" when this
    // folder ends in one, else "/").
    Location Subfolder(std::string_view name) const;
    // The folder of this file - through its last "/" or "\" - with the same
    // credentials; a path without a separator is its own folder.
    Location Folder() const;
    // The name after the last separator (empty for a folder).
    std::string Name() const;

    // The path with the credentials put back as "PATH|ID|PASSWORD|", for the
    // file operations that take text: right after the folder, before the
    // name, so that what works on the end of a name (its extension) still
    // does ("ftp://h/out/|u|p|a.txt").
    std::string WithCredentials() const;

    bool operator==(const Location& other) const {
        return m_written == other.m_written && m_path == other.m_path && m_user == other.m_user &&
               m_password == other.m_password;
    }

private:
    static Location FromParts(std::string display, std::string user, std::string password);
    void Classify();

    std::string m_written;
    std::string m_display;
    std::string m_path;
    std::string m_user;
    std::string m_password;
    LocationKind m_kind = LocationKind::relative;
    std::string m_server;
    uint16_t m_port = 21;
    std::string m_object;
    Status m_problem;
};

}  // namespace pv
