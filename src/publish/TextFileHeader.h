#pragma once
// The header block a newsroom system writes at the top of a story text:
//
//   TQ32_SCRIPT1
//   FILESLUG:Council vote
//   FILECATG:News,Local
//   ...
//   first body line
//
// After the magic line, every line of the form "FILE" + a key of exactly four
// bytes + ":" + value is a header field; the first line of any other form is
// the first body line.  Keys compare exactly (case counts).  Lines end in
// "\r\n" or "\n"; text is 8-bit bytes, never interpreted.
#include <array>
#include <string>
#include <vector>

#include "config/StoryCommand.h"
#include "platform/Status.h"
#include "transport/FileString.h"

namespace pv {

class CTextFileHeader {
public:
    static constexpr const char* kMagicLine = "TQ32_SCRIPT1";
    // A file shorter than the magic line and its "\r\n" has no header.
    static constexpr int64_t kMinimumFileLength = 14;
    static constexpr int kUserFieldCount = 9;
    static constexpr const char* kReadErrorMessage = "Unknown file error trying to read the text file header.";

    // A field line whose key the header does not know; kept, never written.
    struct OtherField {
        std::string key;
        std::string value;
        bool operator==(const OtherField&) const = default;
    };

    CTextFileHeader() = default;

    // Every field empty, no command, no other fields, not found.
    void Clear();

    // Reads the header at the start of an open file.  When the file has one,
    // Found() is true and the file is left at the first body line (at its end
    // when there is no body).  When it has none, the whole file is the body
    // and the file is back at its start (a file too short for a header is not
    // moved at all).  A file that cannot be read is an I/O error with the
    // message kReadErrorMessage and the cause as its detail; the header is
    // then clear, and the story is best tried again later.
    Status Read(CFileString& file);
    // Whether the last Read found a header.
    bool Found() const { return m_bFound; }

    // Writes the magic line, the eight lines SLUG to NEXT (empty or not), and
    // a line for each of OWNR, LUSE, TUSE, CMD1 and US01 to US09 that is not
    // empty, at the file's position.  False when the write failed.
    bool Write(CFileString& file) const;
    // The text Write writes, with "\n" line ends.
    std::string HeaderText() const;

    // The twelve named fields; an empty text means "not given".
    std::string m_strSlug;      // SLUG
    std::string m_strCategory;  // CATG: one or more categories, separated by ","
    std::string m_strWho;       // WHOM: who last changed the story
    std::string m_strWriter;    // WRIT
    std::string m_strDate;      // DATE: as the newsroom system wrote it
    std::string m_strShow;      // SHOW
    std::string m_strTime;      // TIME
    std::string m_strNext;      // NEXT: the story that follows in the broadcast
    std::string m_strOwner;     // OWNR
    std::string m_strLuse;      // LUSE
    std::string m_strTuse;      // TUSE
    std::string m_strCommand;   // CMD1, as written
    // The code of m_strCommand (StoryCommand), or kNoStoryCommand when the
    // header names no command it knows.
    int m_nCommand = kNoStoryCommand;
    std::array<std::string, kUserFieldCount> m_strUser;  // US01 to US09
    std::vector<OtherField> m_otherFields;

private:
    Status Fail(const std::string& cause);
    Status ReadFields(CFileString& file);
    void Store(const std::string& key, std::string value);

    bool m_bFound = false;
};

}  // namespace pv
