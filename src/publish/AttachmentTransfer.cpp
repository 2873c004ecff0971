#include "publish/AttachmentTransfer.h"

#include <cstdio>
#include <ctime>
#include <vector>

#include "audio/AudioFileMerge.h"
#include "config/StoryCommand.h"
#include "platform/FileSystem.h"
#include "publish/AttachmentAudio.h"
#include "transport/FileNames.h"
#include "transport/PathJoin.h"

namespace pv {

namespace {

constexpr int kMaxNumberedName = 99;

}  // namespace

// One attachment on its way: the file it comes from, the local file that
// is copied (the attachment itself, or a temporary file made from it), and
// the name it gets.  Every temporary file goes with it.
struct AttachmentTransfer::Transfer {
    Transfer(Publication& publication, FileAccess& files) : publication(publication), file(files) {
        file.SetCredentials(publication.Options().userId, publication.Options().password);
    }
    ~Transfer() {
        for (const std::string& path : temporaries) platform::RemoveFile(path);
    }
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;

    Location Output() const { return folder.Join(outputName); }
    const std::string& Alias() const { return publication.Story().work.alias; }
    void Note(const std::string& text) { publication.reports.Note(text); }
    void Fail(const std::string& text) {
        publication.reports.Log(text);
        failed = true;
    }

    Publication& publication;
    CFTPFile file;  // with the alias's FTP user
    Location source;
    Location folder;
    std::string outputName;
    std::string working;
    std::vector<std::string> temporaries;
    CAudioFileHeader header;  // the attachment's, when it is audio
    bool audio = false;
    bool converted = false;
    bool failed = false;
};

Location AttachmentTransfer::Anchored(const std::string& path) const {
    const Location location = Location::Parse(path);
    if (location.Kind() != LocationKind::relative || m_context.workingFolder.empty()) return location;
    return Location::Parse(JoinPath(m_context.workingFolder, path));
}

Location AttachmentTransfer::OutputFolder(const Publication& publication) const {
    const std::string& linkOutput = publication.routeState.linkOutputPath;
    Location folder = linkOutput.empty() ? publication.paths.storage : Anchored(linkOutput);
    if (!folder.Empty() && !folder.IsFolder()) folder = Location::Parse(folder.Written() + "/");
    return folder;
}

// The first the alias asks for: none, the slug, the date (year first or
// month first), or the next number of the storage folder's ID.dat (unless
// the alias keeps original names).
std::string AttachmentTransfer::Prefix(Publication& publication) {
    const CFileData& story = publication.Story();
    const CFileData::AliasOptions& options = story.options;
    std::tm now{};
    platform::Clock::LocalTime(m_context.clock.NowSeconds(), now);
    char text[32] = "";
    if (options.dontModifyAttachmentFilenames) return {};
    if (options.useSlugForFilename) return story.work.slug + "_";
    if (story.fileOptions.prependDashedDateToAttachmentFilenames) {
        std::snprintf(text, sizeof text, "%04d-%02d-%02d-", now.tm_year + 1900, now.tm_mon + 1, now.tm_mday);
    } else if (story.fileOptions.prependDateToAttachmentFilenames) {
        std::snprintf(text, sizeof text, "%02d-%02d-%04d-", now.tm_mon + 1, now.tm_mday, now.tm_year + 1900);
    } else if (!options.useOriginalFilename) {
        const int number = publication.output.GetNextNumber(publication.paths.storage);
        if (number >= 0) std::snprintf(text, sizeof text, "%05d_", number);
    }
    return text;
}

std::string AttachmentTransfer::TemporaryPath() {
    std::string path = m_context.files.TempFolder() + "x";
    CFTPFile(m_context.files).MakeTempName(path);
    return path;
}

// A file on an FTP server is worked on in a local copy.
bool AttachmentTransfer::FetchWorkingCopy(Transfer& transfer) {
    if (!transfer.source.IsFtp()) {
        transfer.working = transfer.source.Path();
        return true;
    }
    const std::string local = TemporaryPath();
    transfer.temporaries.push_back(local);
    if (!transfer.file.CopyFile(transfer.source, Location::Parse(local))) {
        transfer.Fail("Unable to copy attached file " + transfer.source.Name() + " to " + local +
                      ". Error: " + transfer.file.ErrorText());
        return false;
    }
    transfer.working = local;
    return true;
}

// With numbered names, a name that is taken becomes "title_n.ext", the
// first n from 1 to 99 that is free.  A name that cannot be told free
// counts as taken, and when all are, nothing is overwritten.
bool AttachmentTransfer::FreeNumberedName(Transfer& transfer) {
    if (transfer.file.ExistState(transfer.Output()) == platform::Existence::absent) return true;
    const std::string extension = ExtensionOf(transfer.outputName);
    const std::string title = transfer.outputName.substr(0, transfer.outputName.size() - extension.size());
    for (int n = 1; n <= kMaxNumberedName; ++n) {
        const std::string candidate = title + "_" + std::to_string(n) + extension;
        if (transfer.file.ExistState(transfer.folder.Join(candidate)) == platform::Existence::absent) {
            transfer.outputName = candidate;
            return true;
        }
    }
    transfer.Fail("Unable to transfer attached file " + transfer.source.Name() + " to " + transfer.Alias() +
                  ". The names " + title + "_1" + extension + " to " + title + "_" +
                  std::to_string(kMaxNumberedName) + extension + " are all taken in " + transfer.folder.Display() +
                  ".");
    return false;
}

// The clip the play rotation gives goes in front of the cut, and behind it
// again when asked; each join that fails is said and left out.  The joined
// file keeps the cut's tags.
void AttachmentTransfer::PutClipAround(Transfer& transfer) {
    const AttachmentAudioPlan plan = AttachmentAudioPlan::Of(transfer.publication.Options(),
                                                             transfer.publication.Route());
    if (plan.prependName.empty()) return;
    PlayChoice clip;
    m_context.rotation.ResolvePlayName(m_context.rotation.PlayFolder(), plan.prependName, clip);
    if (!clip.Usable()) return;
    transfer.publication.prependedAudio.CopyValues(*clip.header);
    CAudioFileMerge merge;
    std::string error;
    std::string joined = TemporaryPath();
    transfer.temporaries.push_back(joined);
    if (merge.Merge(clip.path, transfer.working, joined, plan.prependSilenceMs, error)) transfer.working = joined;
    else transfer.publication.reports.Log(error);
    if (!plan.appendToo) return;
    joined = TemporaryPath();
    transfer.temporaries.push_back(joined);
    if (merge.Merge(transfer.working, clip.path, joined, plan.appendSilenceMs, error, CAudioFileMerge::TagsFrom::first))
        transfer.working = joined;
    else
        transfer.publication.reports.Log(error);
}

bool AttachmentTransfer::Convert(Transfer& transfer) {
    const ConversionTarget target =
        AttachmentAudioPlan::Of(transfer.publication.Options(), transfer.publication.Route()).target;
    if (!NeedsConversion(target, transfer.header)) return true;
    std::string converted = TemporaryPath();
    transfer.temporaries.push_back(converted);
    std::string error;
    const bool ok = m_context.converter.Convert(target, transfer.working, converted, transfer.outputName,
                                                transfer.header, error);
    if (converted != transfer.temporaries.back()) transfer.temporaries.push_back(converted);
    if (!ok) {
        if (!error.empty()) transfer.publication.reports.Log(error);
        transfer.Fail("Unable to compress audio file " + transfer.Output().Display() + ".");
        return false;
    }
    transfer.working = converted;
    transfer.converted = true;
    transfer.outputName = WithExtension(transfer.outputName, ExtensionOf(converted));
    return true;
}

bool AttachmentTransfer::CopyToOutput(Transfer& transfer) {
    const CFileData& story = transfer.publication.Story();
    const Location output = transfer.Output();
    const Location working = Location::Parse(transfer.working);
    if (transfer.converted) {
        const bool replace = story.options.dontModifyAttachmentFilenames || story.fileOptions.overwriteAttachmentFiles;
        if (!transfer.file.CopyFile(working, output, !replace)) {
            transfer.Fail("Unable to transfer attached file " + transfer.source.Name() + " to " + transfer.Alias() +
                          ".\nCopy of compressed output file failed.\nSource File: " + transfer.working +
                          "\nDestination File: " + output.Display() + "\nError: " + transfer.file.ErrorText());
            return false;
        }
    } else if (!transfer.file.CopyFile(working, output, false)) {
        transfer.Fail("Unable to transfer attached file " + transfer.source.Name() + " to " + transfer.Alias() +
                      ". Error: " + transfer.file.ErrorText());
        return false;
    }
    int64_t size = transfer.file.DeliveredSize();
    if (size < 0) size = transfer.file.GetFileSize(output);
    transfer.Note("Sucess: Output FileSize: " + std::to_string(size) + ".");
    return true;
}

// The original goes only when the alias asks and the copy is in place;
// then the sender's receipt.
void AttachmentTransfer::Finish(Transfer& transfer, bool copied) {
    Publication& publication = transfer.publication;
    const CFileData& story = publication.Story();
    if (copied && story.options.deleteLinkedFilesAfterCopy && transfer.file.Remove(transfer.source) != 0)
        publication.reports.Log("Cannot delete " + transfer.source.Display() + ". " + transfer.file.ErrorText());
    const TransmissionSubject subject{story.work.slug, publication.submission.descriptor.m_nSenderNumber,
                                      story.options.receiptByFile, story.options.receiptByEmail};
    m_context.receipts.WriteTransmissionReceipt(subject, 0, transfer.Output(), !transfer.failed);
}

bool AttachmentTransfer::TransferAttachedFile(Publication& publication, std::string& path) {
    const CFileData& story = publication.Story();
    Transfer transfer(publication, m_context.files);
    transfer.source = Anchored(path);
    transfer.folder = OutputFolder(publication);
    std::string name = Prefix(publication) + transfer.source.Name();
    MakeValidFilename(name, false);
    transfer.outputName = name;
    const bool copies = story.work.command != kCmdReplaceTextOnly && !story.options.dontCopyLinkedFiles;

    if (FetchWorkingCopy(transfer) && IsAttachedAudioName(transfer.source.Name())) {
        // Audio that does not read as a WAV file (MPEG audio without its
        // wrapper) goes as any other file.
        transfer.audio = transfer.header.ReadHeader(transfer.working);
        if (transfer.audio) {
            const AttachmentAudioPlan plan = AttachmentAudioPlan::Of(story.options, publication.Route());
            transfer.outputName =
                WithExtension(transfer.outputName, ExpectedExtension(plan, m_context.converter.Settings()));
        }
    }
    if (copies && !transfer.failed &&
        (!story.options.useNumberedOutputFilenamesForAttachments || FreeNumberedName(transfer))) {
        transfer.Note("Transferring attached file " + transfer.source.Name() + " to " + transfer.Alias() +
                      " size: " + std::to_string(transfer.file.GetFileSize(Location::Parse(transfer.working))) + ".");
        transfer.file.mkdir(transfer.folder);
        if (transfer.audio) PutClipAround(transfer);
        if (!transfer.audio || Convert(transfer)) CopyToOutput(transfer);
    }
    const bool copied = copies && !transfer.failed;
    Finish(transfer, copied);
    if (!copied) return false;
    path = transfer.Output().WithCredentials();
    return true;
}

}  // namespace pv
