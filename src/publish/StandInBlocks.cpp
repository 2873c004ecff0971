#include "publish/StandInBlocks.h"

#include "publish/FeedText.h"
#include "publish/TemplateMarker.h"
#include "publish/TextFileHeader.h"

namespace pv {

namespace {

constexpr std::string_view kEndOrderedList = "<!--Quillmark End Ordered List -->";

// A header line of a story text: "FILE", four bytes of key and ":".  Looks
// at the next nine bytes without taking them.
bool HeaderLineFollows(CFileString& story) {
    const int64_t position = story.GetPosition();
    char probe[9];
    const int64_t read = story.Read(probe, sizeof probe);
    story.Seek(position, CFileString::seekBegin);
    return read == 9 && std::string_view(probe, 4) == "FILE" && probe[8] == ':';
}

// From the start: past the magic line when there is one.
void SkipMagicLine(CFileString& story) {
    story.SeekToBegin();
    std::string line;
    if (!story.ReadLine(line) || line != CTextFileHeader::kMagicLine) story.SeekToBegin();
}

void WriteStoryLine(TemplateFill& fill, const std::string& line, bool feedMode) {
    std::string text = line;
    if (feedMode) ConvertForFeed(text);
    fill.output.WriteLine(PageValue(text));
}

void WriteHeaderLines(TemplateFill& fill, bool write, bool feedMode) {
    std::string line;
    while (HeaderLineFollows(fill.storyText) && fill.storyText.ReadLine(line))
        if (write) WriteStoryLine(fill, line, feedMode);
}

void WriteBody(TemplateFill& fill, bool feedMode) {
    for (std::string line; fill.storyText.ReadLine(line);) WriteStoryLine(fill, line, feedMode);
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

}  // namespace

Status PlainStoryText::WriteTextFileBlock(TemplateFill& fill, const std::string&, bool feedMode) {
    SkipMagicLine(fill.storyText);
    WriteHeaderLines(fill, true, feedMode);
    WriteBody(fill, feedMode);
    return Status::OK();
}

Status PlainStoryText::WriteStoryBlock(TemplateFill& fill, const std::string&, bool feedMode) {
    SkipMagicLine(fill.storyText);
    WriteHeaderLines(fill, false, feedMode);
    WriteBody(fill, feedMode);
    return Status::OK();
}

Status PassThroughOrderedList::WriteOrderedList(TemplateFill& fill, CFileString& templateFile,
                                                std::string_view markerName, TemplateFiller&) {
    fill.output.WriteLine(MarkerText(markerName));
    for (std::string line; templateFile.ReadLine(line);) {
        if (TrimBlanks(line) == kEndOrderedList) break;
        fill.output.WriteLine(line);
    }
    fill.output.Write(kEndOrderedList);
    return Status::OK();
}

}  // namespace pv
