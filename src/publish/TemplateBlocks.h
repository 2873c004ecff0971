#pragma once
// The blocks a text template hands to other components, and what they all
// work on.  The template engine owns the filling; the blocks write into the
// same output and may fill further templates through the TemplateFiller.
#include <string>
#include <string_view>

#include "config/DirOptions.h"
#include "platform/Status.h"
#include "publish/MacroExpander.h"
#include "publish/PageOutput.h"
#include "publish/StoryReports.h"
#include "transport/FileData.h"
#include "transport/FileString.h"

namespace pv {

class StoryReferences;

// One filling of a template into one page, with everything the markers may
// reach.  Nested templates (replaced regions, list entries) share it.
struct TemplateFill {
    const CDirOptions& route;
    CFileData& story;  // alias options and the template state
    const MacroExpander& macros;
    CFileString& storyText;  // the open story text
    PageOutput& output;
    StoryReports& reports;
    // The files the story's references name (StoryReferences.h): what the
    // links show, and what they transfer on the way.
    StoryReferences& references;
};

class TemplateFiller {
public:
    virtual ~TemplateFiller() = default;
    // Fills the text template (with its link template for the story's
    // references) into fill.output; the names follow the template folder
    // rule.  A failure has been reported.
    virtual Status FillTemplate(TemplateFill& fill, const std::string& textTemplate,
                                const std::string& linkTemplate) = 0;
};

// The "TextFile" and "Story" blocks: the story text as page content.  The
// story text comes from outside: whatever of it reaches the page passes
// through PageValue (TemplateMarker.h), so it can never hold a marker.
class StoryTextConverter {
public:
    virtual ~StoryTextConverter() = default;
    // The header lines of the story text (not its magic line), then the body.
    virtual Status WriteTextFileBlock(TemplateFill& fill, const std::string& linkTemplate, bool feedMode) = 0;
    // The body only.
    virtual Status WriteStoryBlock(TemplateFill& fill, const std::string& linkTemplate, bool feedMode) = 0;
};

// A "Begin Ordered List" region.  Called with the template just after the
// line of the Begin marker; leaves it just after the line
// "<!--Quillmark End Ordered List -->" (or at its end).  Writes the Begin
// marker and its line end, the entries, and the End marker without a line
// end (the engine ends that line).
class OrderedListWriter {
public:
    virtual ~OrderedListWriter() = default;
    virtual Status WriteOrderedList(TemplateFill& fill, CFileString& templateFile, std::string_view markerName,
                                    TemplateFiller& entries) = 0;
};

// Removes a file that old page content linked to (a "[name]" line of a
// replaced region) from the storage folder, following what it links to up
// to `depth` levels.
class LinkedFilePurger {
public:
    virtual ~LinkedFilePurger() = default;
    virtual void PurgeLinkedFile(TemplateFill& fill, const std::string& name, int depth) = 0;
};

// The components the engine hands blocks to.
struct TemplateBlocks {
    StoryTextConverter& storyText;
    OrderedListWriter& orderedLists;
    LinkedFilePurger& linkedFiles;
};

}  // namespace pv
