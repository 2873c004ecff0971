#pragma once
// A plain version of a block a template hands on, for fills that leave
// ordered lists as they are (the template engine's tests and fuzz target):
//   PassThroughOrderedList  the list region copied unchanged.
#include "publish/TemplateBlocks.h"

namespace pv {

class PassThroughOrderedList final : public OrderedListWriter {
public:
    Status WriteOrderedList(TemplateFill& fill, CFileString& templateFile, std::string_view markerName,
                            TemplateFiller& entries) override;
};

}  // namespace pv
