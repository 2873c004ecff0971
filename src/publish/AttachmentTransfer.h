#pragma once
// Publishes one file a story links to, to where the story's linked files
// go (the route's link output folder, else the storage folder):
//   - named with the alias's prefix: none, the slug, the date (year first
//     or month first), or the next number of the storage folder's ID.dat
//     (unless the alias keeps original names); with numbered names for
//     attachments, a name already taken becomes "title_n.ext" (n up to 99;
//     when every one is taken the file is not published);
//   - audio (".wav", ".mp2", ".mp3" that read as WAV files) gets the clip
//     the play rotation gives for audio_to_prepend in front of it (and
//     behind it again with append_prepended_audio), each after its silence;
//     the joined file keeps the cut's tags, and the clip's metadata is what
//     the "Prepended AF" macros show;
//   - audio is converted to the alias's format (the compressor, the WMA
//     encoder with a profile, or an operator's program), the output taking
//     the converted file's extension; format 0 converts nothing;
//   - copied: a converted file never replaces an output that is there
//     unless the alias allows it (dont_modify_attachment_filenames,
//     overwrite_attachment_files); any other file does;
//   - a receipt (kind 0) for the sender when the alias asks for one.
// Every temporary file (an FTP source fetched, joined and converted files)
// is removed whatever happens.  A failure is reported and leaves the story
// linking the file where it is.  "Replace Text Only" stories, and aliases
// that do not copy linked files, transfer nothing but still get receipts.
#include <string>

#include "audio/AudioConverter.h"
#include "notify/Receipts.h"
#include "platform/Clock.h"
#include "publish/PublishSteps.h"
#include "rotation/PlayRotationEngine.h"
#include "transport/FileAccess.h"

namespace pv {

struct AttachmentContext {
    FileAccess& files;
    platform::Clock& clock;
    Receipts& receipts;
    AudioConverter& converter;
    CPlayRotationEngine& rotation;
    const std::string& workingFolder;  // ends with a separator: relative names hang off it
};

class AttachmentTransfer final : public AttachedFileTransfer {
public:
    explicit AttachmentTransfer(const AttachmentContext& context) : m_context(context) {}

    bool TransferAttachedFile(Publication& publication, std::string& path) override;

private:
    struct Transfer;

    std::string Prefix(Publication& publication);
    Location Anchored(const std::string& path) const;
    Location OutputFolder(const Publication& publication) const;
    bool FetchWorkingCopy(Transfer& transfer);
    bool FreeNumberedName(Transfer& transfer);
    void PutClipAround(Transfer& transfer);
    bool Convert(Transfer& transfer);
    bool CopyToOutput(Transfer& transfer);
    void Finish(Transfer& transfer, bool copied);
    std::string TemporaryPath();

    AttachmentContext m_context;
};

}  // namespace pv
