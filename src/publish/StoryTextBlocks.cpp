#include "publish/StoryTextBlocks.h"

#include "publish/FeedText.h"
#include "publish/StoryLines.h"
#include "publish/StoryReferences.h"
#include "publish/TemplateMarker.h"
#include "transport/FileNames.h"
#include "transport/FtpFile.h"
#include "transport/PathJoin.h"

namespace pv {

namespace {

constexpr std::string_view kNbsp = "&nbsp;";
constexpr int kScriptLines = 6;
constexpr int kLinkLines = 3;

bool StartsWith(std::string_view text, std::string_view start) {
    return text.size() >= start.size() && text.substr(0, start.size()) == start;
}

std::string_view WithoutTrailingWhiteSpace(std::string_view text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n'))
        text.remove_suffix(1);
    return text;
}

void ReplaceApostrophes(std::string& text) {
    for (size_t at = text.find('\''); at != std::string::npos; at = text.find('\'', at + 1))
        text.replace(at, 1, "&lsquo;");
}

// Each blank of a run of three or more becomes the blank text.
void ReplaceBlankRuns(std::string& text, const std::string& blank) {
    std::string replaced;
    replaced.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        size_t end = at;
        while (end < text.size() && text[end] == ' ') ++end;
        if (end == at) {
            replaced += text[at++];
            continue;
        }
        const size_t run = end - at;
        for (size_t i = 0; i < run; ++i) replaced += run >= 3 ? blank : std::string(" ");
        at = end;
    }
    text = std::move(replaced);
}

// A line the story shows as it is (header lines, link lines on top).
std::string AsIs(const std::string& line, bool feed) {
    std::string text = line;
    if (feed) ConvertPlainTextForFeed(text);
    return PageValue(text);
}

// Past the script that follows a link between two separators: up to six
// lines up to and with the closing separator.  Without one the story goes
// on right after the link line.
void SkipScriptAfterLink(CFileString& story) {
    const int64_t afterLink = story.GetPosition();
    std::string line;
    for (int read = 0; read < kScriptLines && story.ReadLine(line); ++read)
        if (WithoutTrailingWhiteSpace(line) == kSeparatorLine) return;
    story.Seek(afterLink, CFileString::seekBegin);
}

bool ArchivesAudio(const CFileData& story) {
    return !story.options.databasePath.empty() && !story.options.replaceFile && !story.options.modifyFile;
}

}  // namespace

StoryTextBlocks::StoryTextBlocks(FileAccess& files, std::string workingFolder, const StoryOptions& options,
                                 LinkWriter& links)
    : m_files(files),
      m_workingFolder(std::move(workingFolder)),
      m_linesToIgnore(options.linesToIgnoreOnTopOfStory),
      m_useUnicodeConversions(options.useUnicodeConversions),
      m_links(links) {}

void StoryTextBlocks::SkipIgnoredLines(CFileString& story) {
    std::string line;
    for (int i = 0; i < m_linesToIgnore && story.ReadLine(line); ++i) {
    }
}

Status StoryTextBlocks::WriteTextFileBlock(TemplateFill& fill, const std::string& linkTemplate, bool feedMode) {
    CFileString& story = fill.storyText;
    const CFileData::WorkValues& work = fill.story.work;
    const bool feed = feedMode || work.feed;
    SkipMagicLine(story);
    std::string line;
    while (HeaderLineFollows(story) && story.ReadLine(line)) {
        fill.output.Write(AsIs(line, feed));
        fill.output.WriteLine(work.lineBreak);
    }
    SkipIgnoredLines(story);
    if (fill.story.options.moveFirstLinksToTop) {
        for (int i = 0; i < kLinkLines && story.ReadLine(line); ++i) {
            if (line.empty() && work.addSpaceToBlankLines) fill.output.Write(" ");
            fill.output.Write(AsIs(line, feed));
            fill.output.WriteLine(work.lineBreak);
        }
    }
    return WriteBody(fill, linkTemplate, feedMode);
}

Status StoryTextBlocks::WriteStoryBlock(TemplateFill& fill, const std::string& linkTemplate, bool feedMode) {
    CFileString& story = fill.storyText;
    SkipStoryHeader(story);
    SkipIgnoredLines(story);
    if (fill.story.options.moveFirstLinksToTop) {
        std::string line;
        for (int i = 0; i < kLinkLines && story.ReadLine(line); ++i) {
        }
    }
    return WriteBody(fill, linkTemplate, feedMode);
}

// The list is rebuilt on its next use, so one left by an older run (or
// another program) never outlives the first story.
void StoryTextBlocks::ForgetFormatList() {
    if (m_formatListForgotten) return;
    m_formatListForgotten = true;
    CFTPFile file(m_files);
    const Location list = Location::Parse(JoinPath(m_workingFolder, "Pressvane\\Format.dat"));
    if (file.ExistState(list) == platform::Existence::present) file.Remove(list);
}

Status StoryTextBlocks::WriteBody(TemplateFill& fill, const std::string& linkTemplate, bool feedMode) {
    ForgetFormatList();
    CFileString& story = fill.storyText;
    const CFileData::WorkValues& work = fill.story.work;
    const bool feed = feedMode || work.feed;
    bool conversion = true;
    OpenLinkTemplate open(m_files);
    for (std::string line; story.ReadLine(line);) {
        if (line.empty()) {
            if (work.addSpaceToBlankLines) fill.output.Write(" ");
            fill.output.WriteLine(work.lineBreak);
            continue;
        }
        if (line == kSeparatorLine) {
            if (!story.ReadLine(line)) break;
            if (StartsWith(line, "[")) SkipScriptAfterLink(story);
        }
        if (StartsWith(line, "<pre>")) conversion = false;
        else if (StartsWith(line, "</pre>")) conversion = true;
        WriteLine(fill, open, linkTemplate, line, feed, conversion);
        fill.output.WriteLine(work.lineBreak);
    }
    return Status::OK();
}

void StoryTextBlocks::WriteLine(TemplateFill& fill, OpenLinkTemplate& open, const std::string& linkTemplate,
                                const std::string& line, bool feed, bool conversion) {
    for (const LinePiece& piece : SplitStoryLine(line)) {
        if (piece.reference) WriteReference(fill, open, linkTemplate, StripBlanks(piece.text));
        else WriteText(fill, piece.text, feed, conversion);
    }
}

void StoryTextBlocks::WriteText(TemplateFill& fill, std::string_view piece, bool feed, bool conversion) {
    const CFileData::WorkValues& work = fill.story.work;
    std::string text(piece);
    const bool convertedBefore = StartsWith(text, kNbsp);
    if (m_useUnicodeConversions) ReplaceApostrophes(text);
    if ((conversion && work.blank != " ") || work.blankOverride) ReplaceBlankRuns(text, work.blank);
    if (feed) {
        if (convertedBefore) ConvertForFeed(text);
        else ConvertPlainTextForFeed(text);
    }
    fill.output.Write(PageValue(text));
}

void StoryTextBlocks::WriteReference(TemplateFill& fill, OpenLinkTemplate& open, const std::string& linkTemplate,
                                     std::string_view name) {
    if (name.empty()) return;
    const std::string reference(name);
    fill.references.ClearAttachmentHeader();
    const bool audio = LowerExtension(reference) == ".wav";
    const bool linked = m_links.WriteLink(fill, open, linkTemplate, reference);
    if (linked && audio && ArchivesAudio(fill.story)) fill.references.NoteAudioRow(reference);
}

}  // namespace pv
