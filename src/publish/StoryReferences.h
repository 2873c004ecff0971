#pragma once
// The files a story's references name, for one publication.
//
// A reference ("[W:\Audio\News_HI.wav]", "[photo.jpg]", "[http://...]")
// has a key: the name without a "_HI" or "_LO" at the end of its title
// (any case).  One record per key, in the order the story names them:
//   path        the high-quality file when it exists, else the key's file,
//               else empty (as the story writes it);
//   low path    the low-quality file when it exists;
//   not copied  web addresses, names whose extension is not among
//               "CopyExtensions", names outside every copy path folder
//               (unless "Transfer All Links"), and names that climb out of
//               their folder or carry control bytes;
//   output      where the file went, once it was transferred; a file that
//               is not copied, or whose transfer failed, is linked where it
//               is.
// Each file is transferred at most once per publication: by the attachment
// scan before the page is filled, or at the first look-up of its link.
// Every transfer puts the file into the first free link line slot whose
// extension list holds its extension (the "FirstLine" macros show them).
//
// Relative names hang off the working folder.  Copy path folders match at a
// separator boundary only ("W:\Audio" never matches "W:\Audio2\x.wav").
#include <array>
#include <deque>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "audio/AudioFileHeader.h"
#include "config/DirOptions.h"
#include "publish/MacroValues.h"
#include "publish/StoryReports.h"
#include "transport/FileAccess.h"
#include "transport/FileData.h"
#include "transport/FileString.h"
#include "transport/FtpFile.h"
#include "transport/Location.h"

namespace pv {

struct ReferenceNames {
    std::string key;   // base + extension
    std::string high;  // base + "_HI" + extension
    std::string low;   // base + "_LO" + extension
};

// "C:\Cuts\News_LO.wav", "C:\Cuts\News_HI.wav" and "C:\Cuts\News.wav" all
// have the key "C:\Cuts\News.wav".
ReferenceNames SplitReference(std::string_view name);

// A path as a link shows it: without credentials, and without a leading
// drive ("C:") or scheme ("http://").
std::string LinkForm(std::string_view path);

struct ReferenceRecord {
    std::string key;
    std::string path;
    std::string output;
    std::string lowPath;
    std::string lowOutput;
    bool notCopied = false;
    bool transferTried = false;
    bool lowTransferTried = false;
    // The output is a copy this publication made.
    bool madeHere = false;
    bool lowMadeHere = false;
};

struct ReferenceSettings {
    std::vector<std::string> copyExtensions;  // "CopyExtensions": lower case, without dot
    std::vector<std::string> copyPaths;       // the copy path list
    bool transferAllLinks = false;            // "Transfer All Links"
    std::string workingFolder;                // ends with a separator
};

// An "Audio" row the story asks for: one per linked audio file.
struct AudioRowNote {
    std::string linkedFilename;
    CAudioFileHeader header;
};

class StoryReferences final : public LinkLineFiles {
public:
    // Transfers one file for the publication; on success the path becomes
    // where the file went.  Empty: nothing is ever transferred.
    using TransferFile = std::function<bool(std::string& path)>;

    // route, story and reports are kept by reference: the alias options are
    // read when they are needed, after the alias file was read.
    StoryReferences(FileAccess& files, ReferenceSettings settings, const CDirOptions& route, const CFileData& story,
                    StoryReports& reports, TransferFile transfer);

    // The record of the name's key, made and classified when new; null for
    // an empty name.
    ReferenceRecord* FindOrAdd(std::string_view name);
    ReferenceRecord* Find(std::string_view name);

    // The link text of the reference's output (its low-quality output),
    // transferring the file first when it is to be copied and was not yet.
    // The attachment header then describes the file.
    std::string Output(std::string_view name);
    std::string LowOutput(std::string_view name);

    // Scans the story body (after its header) and transfers every file that
    // is to be copied.
    void TransferAll(CFileString& storyText);

    // Puts a transferred file into the first free slot whose list (the
    // route's "LinkExtsForLine1_%d" to "3") holds its extension; false when
    // no slot took it.
    bool AssignLinkLine(const std::string& path);
    // Slot 1 to 3: the path in it, or empty.
    std::string LinkLine(int line) const;
    std::string PublishedName(int line, bool low) override;

    // The metadata of the audio file last looked up.
    const CAudioFileHeader& AttachmentHeader() const { return m_header; }
    void ClearAttachmentHeader();

    // Asks for the "Audio" row of a linked audio file, with the attachment
    // header as it is now; a file already noted is not noted again.
    void NoteAudioRow(std::string_view linkedFilename);
    const std::vector<AudioRowNote>& AudioRows() const { return m_audioRows; }

    // Takes back the copies this publication made of the reference (its
    // link could not be written), as long as the file it was copied from is
    // still there; the reference is then linked where it is.
    void WithdrawCopies(std::string_view name);

    const std::deque<ReferenceRecord>& Records() const { return m_records; }

private:
    void Classify(ReferenceRecord& record, std::string_view name);
    bool InCopyPath(std::string_view name) const;
    bool Exists(const std::string& name);
    void Transfer(ReferenceRecord& record, bool low);
    void ReadHeader(const std::string& path);
    void Withdraw(std::string& output, bool& madeHere, const std::string& source);
    std::string Anchored(const std::string& name) const;
    void SetCredentials(CFTPFile& file) const;

    FileAccess& m_files;
    const ReferenceSettings m_settings;
    const CDirOptions& m_route;
    const CFileData& m_story;
    StoryReports& m_reports;
    TransferFile m_transfer;
    std::deque<ReferenceRecord> m_records;  // stable addresses
    std::array<std::string, 3> m_linkLines;
    CAudioFileHeader m_header;
    std::vector<AudioRowNote> m_audioRows;
    std::set<std::string> m_audioRowKeys;
};

}  // namespace pv
