#pragma once
// Plain versions of the blocks a template hands on, for as long as the full
// story text conversion, ordered lists and linked-file removal are not
// wired in:
//   PlainStoryText       the story's lines as they are, one page line each
//                        (no line-break markup; in a feed, converted);
//   PassThroughOrderedList  the list region copied unchanged;
//   KeepLinkedFiles      removes nothing.
#include "publish/TemplateBlocks.h"

namespace pv {

class PlainStoryText final : public StoryTextConverter {
public:
    Status WriteTextFileBlock(TemplateFill& fill, const std::string& linkTemplate, bool feedMode) override;
    Status WriteStoryBlock(TemplateFill& fill, const std::string& linkTemplate, bool feedMode) override;
};

class PassThroughOrderedList final : public OrderedListWriter {
public:
    Status WriteOrderedList(TemplateFill& fill, CFileString& templateFile, std::string_view markerName,
                            TemplateFiller& entries) override;
};

class KeepLinkedFiles final : public LinkedFilePurger {
public:
    void PurgeLinkedFile(TemplateFill&, const std::string&, int) override {}
};

}  // namespace pv
