#include "publish/StoryPublisher.h"

#include <cstdio>
#include <optional>

#include "config/StoryCommand.h"
#include "publish/LinkedFilePurge.h"
#include "publish/OutputSwap.h"
#include "publish/PageOutput.h"
#include "publish/StoryReferences.h"
#include "transport/FileNames.h"

namespace pv {

namespace {

constexpr const char* kWorkSuffix = ".tmp";
// The work file while it is being written.
constexpr const char* kPartSuffix = ".part";

// The source name without its last four characters (its extension and dot);
// a shorter name loses all of it.
std::string WithoutExtension(const std::string& name) {
    return name.size() >= 4 ? name.substr(0, name.size() - 4) : std::string();
}

// A name made from story data: a single file name, never a path, and never
// a bare extension (an empty slug or a short source name leaves "z").
std::string SafeFileName(std::string base, const std::string& extension) {
    MakeValidFilename(base, false);
    std::string name = base + extension;
    MakeValidFilename(name, false);
    return name;
}

std::string NumberText(int number) {
    char text[16];
    std::snprintf(text, sizeof text, "%05d", number);
    return text;
}

}  // namespace

StoryPublisher::StoryPublisher(const PublisherContext& context, const StoryOptions& options,
                               PublishComponents components)
    : m_context(context), m_options(options), m_components(components) {}

RouteStoryState& StoryPublisher::StateOf(const CDirOptions& route) {
    auto found = m_routeStates.find(&route);
    if (found == m_routeStates.end()) found = m_routeStates.emplace(&route, RouteStoryState::From(route)).first;
    return found->second;
}

void StoryPublisher::AfterPublication(const CDirOptions& route) { StateOf(route).PublicationSucceeded(); }

bool StoryPublisher::PublishStory(StorySubmission& submission) {
    const std::time_t started = m_context.clock.NowSeconds();
    CFileData& story = submission.story;
    m_context.reporter.Status("Transferring " + submission.storyText.Name() + " to " + story.work.alias +
                                  " containing slug " + story.work.slug + ".",
                              true);
    StoryReports reports(m_context.fatalErrors, m_context.reporter, submission.route, story.work.slug);
    CFTPFile output(m_context.files);
    MacroValues values;
    Publication publication{submission, StateOf(submission.route), reports, output, values, {}};
    publication.started = started;
    StoryReferences references(
        m_context.files,
        {m_options.copyExtensions, m_options.copyPaths, m_options.transferAllLinks, m_context.workingFolder},
        submission.route, story, reports,
        [this, &publication](std::string& path) {
            return m_components.attachments.TransferAttachedFile(publication, path);
        });
    publication.references = &references;
    values.linkLines = &references;
    values.audio = &references.AttachmentHeader();
    values.prependedAudio = &publication.prependedAudio;
    Progress progress;
    m_components.purges.Forget();
    const bool published = Publish(publication, progress).ok();
    Finish(publication, progress, published);
    m_components.purges.Forget();
    return published;
}

Status StoryPublisher::Publish(Publication& publication, Progress& progress) {
    CFileData& story = publication.Story();
    const CDirOptions& route = publication.Route();
    story.ResetOptions();
    if (Status prepared = m_components.archive.PrepareArchive(publication); !prepared.ok()) return prepared;
    if (Status storage = PrepareStorage(publication); !storage.ok()) return storage;

    if (story.options.replaceFile || story.options.modifyFile) publication.routeState.uniqueFile = false;
    publication.uniqueNaming = publication.routeState.uniqueFile;
    std::string name;
    if (Status named = NameOutput(publication, name); !named.ok()) return named;
    publication.values.outputFilename = name;
    if (publication.uniqueNaming) {
        publication.values.uniqueFilePath = publication.paths.storage.Display();
        publication.values.uniqueFilename = name;
    }

    if (story.work.command == kCmdDelete && (publication.uniqueNaming || story.options.replaceFile))
        return DeleteStory(publication);
    if (story.options.moveFirstLinksToTop) {
        if (Status moved = m_components.links.MoveLinksToTop(publication); !moved.ok()) return moved;
    }
    if (route.m_bLockOutputFolders) {
        if (Status locked = m_context.lock.LockDir(publication.output, publication.paths.storage); !locked.ok())
            return publication.reports.Fatal(locked);
        progress.locked = true;
    }
    if (HandlesLinkedFiles(publication) && story.work.command != kCmdDelete) {
        if (Status linked = m_components.links.TransferLinkedFiles(publication); !linked.ok()) return linked;
    }
    publication.paths.output = publication.paths.storage.Join(name);
    publication.paths.work = publication.paths.storage.Join(name + kWorkSuffix);
    if (!publication.paths.output.Problem().ok())
        return publication.reports.Fatal(Status::InvalidArgument("The output file name " + name + " cannot be used.")
                                             .WithDetail(publication.paths.output.Problem().message()));
    progress.pathsBuilt = true;
    if (Status written = WritePage(publication); !written.ok()) return written;
    return m_components.archive.Commit(publication);
}

// The storage folder the archive step chose, the summary, and the story
// text back at its start for the templates.
Status StoryPublisher::PrepareStorage(Publication& publication) {
    CFileData& story = publication.Story();
    const CDirOptions& route = publication.Route();
    const Location storage = StorageFolderOf(story);
    if (storage.Empty() || !storage.Problem().ok())
        return publication.reports.Fatal(
            Status::InvalidArgument("The storage folder of alias " + story.work.alias + " cannot be used.")
                .WithDetail(storage.Problem().message()));
    publication.paths.storage = storage;

    MacroValues& values = publication.values;
    values.header = &publication.submission.header;
    values.descriptor = &publication.submission.descriptor;
    values.slug = story.work.slug;
    values.aliasName = story.work.alias;
    values.storagePath = storage.Display();
    values.storyFileCreated = publication.submission.fileTime;
    values.storyFileModified = publication.submission.fileTime;
    values.useUnicodeConversions = m_options.useUnicodeConversions;
    const RouteStoryState& state = publication.routeState;
    if (route.m_nSummaryLineOffset != 0 || state.summaryOffset != 0 || state.summaryLength != 0) {
        values.storySummary = m_components.summary.BuildSummary(publication);
    }
    publication.StoryText().SeekToBegin();

    if (route.m_bMakeSurePathsExist) publication.output.mkdir(storage);
    return Status::OK();
}

// The page's file name, by the first rule that applies: the slug (unique
// naming that asks for it), a fresh number from ID.dat with the source
// name (unique naming, or no fixed name), the source name with the output
// extension (use_original_filename), or the alias's fixed name.
Status StoryPublisher::NameOutput(Publication& publication, std::string& name) {
    const CFileData& story = publication.Story();
    const CFileData::AliasOptions& options = story.options;
    const std::string source = publication.submission.storyText.Name();
    if (publication.uniqueNaming && options.useSlugForFilename) {
        name = SafeFileName(story.work.slug, options.outputExtension);
    } else if (options.outputFilename.empty() || publication.uniqueNaming) {
        if (Status drawn = DrawNumberedName(publication, source, name); !drawn.ok()) return drawn;
    } else if (options.useOriginalFilename) {
        name = SafeFileName(WithoutExtension(source), options.outputExtension);
    } else {
        name = options.outputFilename;
        MakeValidFilename(name, true);
    }
    return Status::OK();
}

// Every numbered name takes the next number of the storage folder's ID.dat,
// even when the number is not put in front (the counter still advances).
// A counter that was lost starts again at 0, so a number whose page exists
// already is passed over: a fresh number never names an old page.
Status StoryPublisher::DrawNumberedName(Publication& publication, const std::string& source, std::string& name) {
    const bool prepend = !publication.routeState.dontPrependNumber;
    const std::string extension = publication.Options().outputExtension;
    for (int attempt = 0; attempt <= kLastPageNumber; ++attempt) {
        const int number = publication.output.GetNextNumber(publication.paths.storage);
        if (number < 0)
            return publication.reports.Fatal(
                Status::IoError("Cannot take the next number from ID.dat in " + publication.paths.storage.Display() +
                                ".")
                    .WithDetail(publication.output.ErrorText()));
        name = SafeFileName(WithoutExtension(prepend ? NumberText(number) + "_" + source : source), extension);
        if (!prepend) return Status::OK();
        const platform::Existence state = publication.output.ExistState(publication.paths.storage.Join(name));
        if (state == platform::Existence::absent) return Status::OK();
        if (state == platform::Existence::unknown)
            return publication.reports.Fatal(
                Status::IoError("Cannot tell whether " + publication.paths.storage.Join(name).Display() + " exists.")
                    .WithDetail(publication.output.ErrorText()));
    }
    return publication.reports.Fatal(
        Status::IoError("Every number of ID.dat in " + publication.paths.storage.Display() + " is taken."));
}

// The Delete command under an alias whose pages are the stories' own: the
// page goes (with what it links to, unless the alias keeps linked files)
// and nothing is written.
Status StoryPublisher::DeleteStory(Publication& publication) {
    const int depth = publication.Options().dontPurgeOldLinkedFiles ? 0 : kPurgeLinkDepth;
    const std::string& page = publication.values.outputFilename;
    if (publication.uniqueNaming) m_components.links.PurgePage(publication, page, depth);
    if (publication.Options().replaceFile) m_components.links.PurgePage(publication, page, depth);
    return Status::OK();
}

bool StoryPublisher::HandlesLinkedFiles(const Publication& publication) const {
    const CFileData::AliasOptions& options = publication.Options();
    return (options.copyLinkedFiles || m_options.transferAllLinks) && !options.dontCopyLinkedFiles;
}

// A page that is rewritten (not a fresh unique one, not replaced whole)
// must be there before it is rewritten, and is backed up first.
bool StoryPublisher::RewritesPage(const Publication& publication) const {
    const CFileData::AliasOptions& options = publication.Options();
    return !publication.uniqueNaming && !options.replaceFile && !options.useOriginalFilename;
}

Status StoryPublisher::WritePage(Publication& publication) {
    const PublicationPaths& paths = publication.paths;
    const CFileData& story = publication.Story();
    if (RewritesPage(publication)) {
        if (Status restored = m_components.pages.RestoreBeforeWrite(publication); !restored.ok()) return restored;
        const bool existed = publication.output.ExistState(paths.output, story.fileOptions.minFileSize) ==
                             platform::Existence::present;
        if (m_options.backupOutputFiles && existed) m_components.pages.BackupOutput(publication);
    }

    // The page is written under "<output>.tmp.part" and takes the work
    // file's name only once it is whole (filled and closed): a work file that
    // a restoral finds is a finished page, never one cut short by a crash.
    const Location partial = paths.storage.Join(paths.work.Name() + kPartSuffix);
    // A page cut short by a crash is never finished by anyone: the next
    // start removes it (a page with a fresh number never writes it again).
    std::optional<InFlightNote> writing;
    writing.emplace(m_context.files, kInFlightWorkFile, partial);
    CFTPFile work(m_context.files);
    work.mkdir(partial.Folder());
    const unsigned mode = platform::File::modeCreate | platform::File::modeWrite | platform::File::typeText |
                          platform::File::shareExclusive;
    if (!work.Open(partial, mode) && !work.Open(partial, mode)) {
        publication.reports.Fatal("Cannot create " + paths.output.Display() + ".\n" +
                                  "Attempting to rename the dat file extension \n" + "to *.daz to avoid future errors.");
        return Status::IoError("Cannot create " + paths.output.Display() + ".");
    }
    Status filled = FillWorkFile(publication, work);
    // The work file is still open (and, on a server, not yet uploaded): what
    // was written is where its position stands.
    if (m_context.debug.On() && filled.ok())
        DebugIfSmall(publication, partial, work.GetPosition(),
                     "Dest file is too small after writing template, before saving.");
    // A fill that failed is let go of, not closed: on a server, closing
    // would upload the partial page before it is removed.
    if (!filled.ok()) work.Abandon();
    else if (!work.Close()) {
        publication.reports.Fatal("Cannot close the text files.\n Error: " + work.ErrorText());
        m_context.debug.Send("Close file failed", "The output file could not be closed.\nOutput file: " +
                                                      paths.output.Display() + "\n");
        filled = Status::IoError("Cannot close " + partial.Display() + ".");
    }
    if (!filled.ok()) {
        m_context.debug.Send("Error Abort", "The output file failed. Aborting operation. Removing temp file.\nOutput file: " +
                                                paths.output.Display() + "\n");
        work.Remove(partial);
        return filled;
    }
    if (!PutInPlace(work, partial, paths.work)) {
        const std::string why = work.ErrorText();
        work.Remove(partial);
        return publication.reports.Fatal(
            Status::IoError("Cannot rename " + partial.Display() + " to " + paths.work.Display() + ".").WithDetail(why));
    }
    writing.reset();
    if (Status replaced = m_components.pages.ReplaceOutput(publication); !replaced.ok()) return replaced;
    for (const DeferredPurges::Purge& purge : m_components.purges.Take())
        m_components.links.PurgePage(publication, purge.name, purge.depth);
    return AfterPageInPlace(publication);
}

Status StoryPublisher::FillWorkFile(Publication& publication, CFTPFile& work) {
    const CFileData::AliasOptions& options = publication.Options();
    SetTextStrings(publication);
    const std::string textTemplate = options.modifyFile ? publication.paths.output.WithCredentials()
                                                        : options.textTemplateName + options.outputExtension;
    const std::string linkTemplate = options.linkTemplateName + options.outputExtension;
    const MacroExpander macros(publication.values, m_context.clock);
    FilePageOutput page(work);
    TemplateFill fill{publication.Route(), publication.Story(), macros, publication.StoryText(), page,
                      publication.reports, *publication.references};
    return m_components.templates.FillTemplate(fill, textTemplate, linkTemplate);
}

// The line break and the blank of the story text: plain text (exactly
// ".txt") gets none and a space; everything else "<BR>" and "&nbsp;"; the
// alias's "eol" and "nbsp" stand over both.
void StoryPublisher::SetTextStrings(Publication& publication) {
    CFileData::WorkValues& work = publication.Story().work;
    const bool plainText = publication.Options().outputExtension == ".txt";
    work.lineBreak = plainText ? "" : "<BR>";
    work.blank = plainText ? " " : "&nbsp;";
    if (publication.routeState.eolOverride) work.lineBreak = publication.routeState.eol;
    if (publication.routeState.nbspOverride) work.blank = publication.routeState.nbsp;
    work.blankOverride = publication.routeState.nbspOverride;
    work.addSpaceToBlankLines = publication.routeState.addSpaceToBlankLines;
    work.feed = publication.routeState.rss;
}

void StoryPublisher::DebugIfSmall(const Publication& publication, const Location& file, int64_t size,
                                  const std::string& text) {
    const int minimum = publication.Story().fileOptions.minFileSize;
    if (size >= minimum) return;
    m_context.debug.Send("File too small", text + "\nOutput file: " + file.Display() + "\nFile Size: " +
                                               std::to_string(size) + "\nMin File Size: " + std::to_string(minimum) +
                                               "\n");
}

Status StoryPublisher::AfterPageInPlace(Publication& publication) {
    const CFileData& story = publication.Story();
    const CFileData::AliasOptions& options = story.options;
    if (m_context.debug.On()) {
        CFTPFile sizer(m_context.files);
        DebugIfSmall(publication, publication.paths.output, sizer.GetFileSize(publication.paths.output),
                     "Original file is too small when complete.");
    }
    if (!options.modifyFile && !options.replaceFile && !publication.uniqueNaming && !options.noIndex) {
        if (Status indexed = m_components.index.AddToStoryIndex(publication); !indexed.ok()) return indexed;
    }
    if (!options.databasePath.empty() && !options.modifyFile && !options.replaceFile) {
        if (Status rows = WriteArchiveRows(publication); !rows.ok()) return rows;
    }
    if (options.copyDatFile && story.work.command != kCmdDelete) return CopyDescriptor(publication);
    return Status::OK();
}

// The story's row, then one row for each audio cut its page links to.
// They are written only now that the page is in place, so a publication
// that fails before leaves none, and its retry writes each once.
Status StoryPublisher::WriteArchiveRows(Publication& publication) {
    if (Status row = m_components.archive.WriteStoryRow(publication); !row.ok()) return row;
    for (const AudioRowNote& audio : publication.references->AudioRows()) {
        if (Status row = m_components.archive.WriteAudioRow(publication, audio.linkedFilename, audio.header);
            !row.ok())
            return row;
    }
    return Status::OK();
}

// The descriptor beside the page, under the page's name with ".dat".
Status StoryPublisher::CopyDescriptor(Publication& publication) {
    const std::string& name = publication.values.outputFilename;
    const size_t dot = name.rfind('.');
    const Location copy = publication.paths.storage.Join((dot == std::string::npos ? name : name.substr(0, dot)) + ".dat");
    if (publication.output.CopyFile(publication.submission.descriptorFile, copy)) return Status::OK();
    return publication.reports.Fatal(
        Status::IoError("Cannot copy " + publication.submission.descriptorFile.Display() + " to " + copy.Display() + ".")
            .WithDetail(publication.output.ErrorText()));
}

void StoryPublisher::Finish(Publication& publication, const Progress& progress, bool published) {
    const CFileData& story = publication.Story();
    TransmissionSubject subject{story.work.slug, publication.submission.descriptor.m_nSenderNumber,
                                story.options.receiptByFile, story.options.receiptByEmail};
    if (!publication.values.outputFilename.empty() && !publication.paths.storage.Empty())
        m_context.receipts.WriteTransmissionReceipt(
            subject, 1, publication.paths.storage.Join(publication.values.outputFilename), published);
    if (progress.pathsBuilt && !publication.uniqueNaming && !story.options.replaceFile)
        m_components.pages.CheckAfterPublish(publication);
    if (progress.locked) m_context.lock.UnLockDir(publication.output, publication.paths.storage);
    m_components.archive.Close(publication);
}

}  // namespace pv
