#include "publish/StandInBlocks.h"

#include "publish/StoryLines.h"
#include "publish/TemplateMarker.h"

namespace pv {

namespace {

constexpr std::string_view kEndOrderedList = "<!--Quillmark End Ordered List -->";

}  // namespace

Status PassThroughOrderedList::WriteOrderedList(TemplateFill& fill, CFileString& templateFile,
                                                std::string_view markerName, TemplateFiller&) {
    fill.output.WriteLine(MarkerText(markerName));
    for (std::string line; templateFile.ReadLine(line);) {
        if (StripBlanks(line) == kEndOrderedList) break;
        fill.output.WriteLine(line);
    }
    fill.output.Write(kEndOrderedList);
    return Status::OK();
}

}  // namespace pv
