#pragma once
// The story text as page content: the "TextFile" block (the header lines,
// then the body) and the "Story" block (the body), and their "-RSS" forms
// for feeds.
//
// The body starts after the header, the "LinesToIgnoreOnTopOfStory" lines
// and (move_first_links_to_top) the three link lines, which only the
// TextFile block shows, as they are.  Then each line:
//   - an empty line is the line break alone (after a blank with
//     addspacetoblanklines);
//   - a separator line is dropped, and when the line after it is a link
//     ("[" first) and another separator follows within six lines, the lines
//     up to that separator are dropped too (the script the newsroom system
//     appends to a cut);
//   - "<pre>" at the start of a line switches the blank conversion off,
//     "</pre>" on again;
//   - text pieces: apostrophes become "&lsquo;" under
//     "Use-Unicode-Conversions"; each blank of a run of three or more
//     becomes the blank text (where conversion is on and the blank text is
//     not a single blank, or always when the alias sets nbsp); in a feed the
//     piece is converted for the feed (FeedText.h);
//   - references become their links (LinkTemplates.h); a linked .wav asks
//     for its "Audio" row when the alias archives its stories;
//   - the line ends with the line-break text.
// Everything that comes from the story passes through PageValue, so no
// story can put a marker into a page.
#include <string>

#include "publish/LinkTemplates.h"
#include "publish/StoryOptions.h"
#include "publish/TemplateBlocks.h"
#include "transport/FileAccess.h"

namespace pv {

class StoryTextBlocks final : public StoryTextConverter {
public:
    // workingFolder ends with a separator.
    StoryTextBlocks(FileAccess& files, std::string workingFolder, const StoryOptions& options, LinkWriter& links);

    Status WriteTextFileBlock(TemplateFill& fill, const std::string& linkTemplate, bool feedMode) override;
    Status WriteStoryBlock(TemplateFill& fill, const std::string& linkTemplate, bool feedMode) override;

private:
    void SkipIgnoredLines(CFileString& story);
    Status WriteBody(TemplateFill& fill, const std::string& linkTemplate, bool feedMode);
    void WriteLine(TemplateFill& fill, OpenLinkTemplate& open, const std::string& linkTemplate,
                   const std::string& line, bool feed, bool conversion);
    void WriteText(TemplateFill& fill, std::string_view piece, bool feed, bool conversion);
    void WriteReference(TemplateFill& fill, OpenLinkTemplate& open, const std::string& linkTemplate,
                        std::string_view name);
    void ForgetFormatList();

    FileAccess& m_files;
    const std::string m_workingFolder;
    const int m_linesToIgnore;
    const bool m_useUnicodeConversions;
    LinkWriter& m_links;
    // The audio format list is made afresh after the first story of a run.
    bool m_formatListForgotten = false;
};

}  // namespace pv
