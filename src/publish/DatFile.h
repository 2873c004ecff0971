#pragma once
// The descriptor of a story submission: the ".dat" file the newsroom system
// puts beside a story text.  Its lines mean something by their position;
// there are no keys.  Lines end in "\r\n", "\n" or a lone "\r"; text is 8-bit
// bytes, never interpreted.
//
//   line 1, 2   text, not used
//   line 3      the slug (cleaned, see CleanSlug)
//   line 4      skipped
//   line 5      text, not used
//   line 6      the folder alias the story is published to
//   line 7      skipped
//   line 8, 9   numbers, not used
//   line 10     a time in seconds since 1 January 1970, not used
//   line 11     the sender's number, which finds the sender's receipt folder
//               and address in the receipt confirmation list
//   line 12     a number, not used
//   line 13     keywords
//   line 14     the publishing command
//   line 15-23  user fields 1 to 9
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "config/StoryCommand.h"
#include "platform/Status.h"
#include "transport/FileAccess.h"
#include "transport/FileString.h"
#include "transport/Location.h"

namespace pv {

class CDatFile {
public:
    static constexpr int kUserFieldCount = 9;
    // Marks a slug may not hold: dropped at its start, "-" elsewhere.
    static constexpr std::string_view kSlugMarks = "&[]#";

    CDatFile() = default;

    // Every field empty or 0, the command Add.
    void Clear();

    // Opens the file (local, share or FTP) for reading, with others kept
    // from writing it; reads it and closes it.  A file with fewer lines leaves
    // the fields of the missing lines clear, which is no error.  A file that
    // cannot be opened or read is a failure that names it (without its
    // credentials), with the cause as its detail; the fields are then clear.
    Status Read(FileAccess& access, const Location& path);

    std::string m_strLine1;
    std::string m_strLine2;
    std::string m_strSlug;  // line 3
    std::string m_strLine5;
    std::string m_strAlias;  // line 6
    int m_nLine8 = 0;
    int m_nLine9 = 0;
    int64_t m_nTime = 0;  // line 10; 64 bits, so times after 2038 read right
    int m_nSenderNumber = 0;  // line 11
    int m_nLine12 = 0;
    std::string m_strKeywords;  // line 13
    // Line 14 as a StoryCommand; Add for any text that is not a command word.
    int m_nCommand = kCmdAdd;
    std::array<std::string, kUserFieldCount> m_strUser;  // lines 15 to 23

private:
    void ReadLines(CFileString& file);
};

// A slug line made fit to show and to name files after: the marks of
// kSlugMarks at its start are dropped and every other one becomes "-", then
// white space is trimmed from both ends.  "&News [Update] #1" becomes
// "News -Update- -1".  Separators and dots stay: where a slug names a file,
// MakeValidFilename keeps it inside its folder.
std::string CleanSlug(std::string_view line);

}  // namespace pv
