#pragma once
// The settings file: a Windows profile file of "[section]" lines and
// "key=value" lines, read and written with the rules operators know from it.
//
// Reading
// - Section and key names compare without regard to ASCII case, with blanks
//   (spaces, tabs) around them ignored.  Other bytes compare as themselves.
// - A section line is a line whose first non-blank byte is "[" and that holds
//   a "]"; the name is the text between them.  Text after the "]" is ignored.
// - A line whose first non-blank byte is ";" is a comment.  Any other line
//   holding "=" is a key line: the key is the text before the first "=", the
//   value the text after it up to the end of the line.  Lines before the first
//   section and lines without "=" belong to no key and are kept as they are.
// - The value loses its leading and trailing blanks; a value then wrapped in a
//   matching pair of double or single quotes loses the quotes (so quotes keep
//   blanks that would otherwise be trimmed).
// - When a key occurs more than once (also in repeated sections of one name),
//   the first occurrence counts.
// - A missing file, section or key, and a file that cannot be read, give the
//   default.  Values are returned whole, however long.
//
// Writing
// - Replaces the value of the key in place (the text up to and including the
//   "=" and the blanks after it stay), or adds the key after the last key of
//   its section, or adds the section at the end of the file.  New lines end
//   in CR LF.  Every other byte of the file stays as it was.
// - A value that would not read back as written (leading or trailing blanks,
//   or itself wrapped in quotes) is written inside double quotes.
// - Writing the value the file already holds does not touch the file.
// - The file is replaced atomically: a temporary file in the same folder,
//   flushed to disk, renamed over the old one.  A new file gets permissions
//   0600; a replaced file keeps the permissions it had.
// - A file that exists but cannot be read (or whose existence cannot be
//   established) is never replaced: the write fails.
// - Reads and writes of all profile files in the process are serialised, so
//   writes from two threads never lose each other's keys.  A parsed image of
//   each file is kept and re-used as long as the file on disk is unchanged.
#include <optional>
#include <string>
#include <string_view>

namespace pv {

// ASCII-only text rules of the settings file (no locale).
bool NamesEqual(std::string_view a, std::string_view b);  // case ignored for A-Z only
std::string_view TrimBlanks(std::string_view text);      // spaces, tabs and CRs
// The number formed by the leading digits (after blanks and an optional minus
// sign); 0 when there are none.  Out-of-range numbers are clamped to int.
int LeadingInt(std::string_view text);

class ProfileFile {
public:
    // The path as the operator wrote it; it is mapped to a host path on use.
    explicit ProfileFile(std::string path);

    const std::string& Path() const { return m_path; }

    std::string GetString(std::string_view section, std::string_view key, std::string_view defaultValue) const;
    // The key's value by LeadingInt, or the default when the key is missing.
    int GetInt(std::string_view section, std::string_view key, int defaultValue) const;

    // False with an error text when the file was not written.  Names must not
    // be empty; the section must not hold "]", the key not "=" nor start with
    // "[" or ";"; no name or value may hold CR or LF.
    bool WriteString(std::string_view section, std::string_view key, std::string_view value,
                     std::string* error = nullptr);

private:
    std::optional<std::string> Find(std::string_view section, std::string_view key) const;

    std::string m_path;
};

// Gathers the writes to one profile file while it lives and puts them on
// disk in one atomic replacement when it commits (at the latest when it goes
// away).  Reads in between see the pending values.  A start-up that writes
// back two hundred keys then costs one file write instead of two hundred.
class ProfileBatch {
public:
    explicit ProfileBatch(std::string path);
    ~ProfileBatch();
    ProfileBatch(const ProfileBatch&) = delete;
    ProfileBatch& operator=(const ProfileBatch&) = delete;

    // False with an error text when the pending writes could not be written.
    bool Commit(std::string* error = nullptr);

private:
    std::string m_path;
    bool m_committed = false;
};

}  // namespace pv
