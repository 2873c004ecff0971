#pragma once
// Ordered lists: a region of a page that keeps one entry per published
// story, between "<!--Quillmark Begin Ordered List ... -->" and
// "<!--Quillmark End Ordered List -->".  Each entry is a few header lines
// (date, slug, purge time, sort key) and the filled entry template, closed
// by "<!--Quillmark End Ordered Entry -->".  The list is read from the
// template being filled - under modify_file the page itself, so the list
// accumulates - and written back with the new story's entry in its place
// and the entries it replaces, deletes, outlives or pushes past the limit
// left out.
//
// Parameters of the Begin marker (blank separated, keywords without regard
// to case): "Date" (order by date; the limit counts days) or "Fixed" (by
// position, the default); "Descending" (new entries towards the top, the
// default) or "Ascending"; "PurgeDate=<macro>" (entries carry a purge time
// and go once it has passed); "Sort=<macro>" (order by that key); then the
// limit N (absent: no limit), the entry template and its link template.
//
// Each entry's header is read on its own merits; the date written into a
// new entry is the date it is ordered by; slugs and sort keys are written
// as page values, so they can never close a marker.  The files that
// dropped entries link to are handed to the purger, which removes them
// once the new page is in place.
#include <ctime>
#include <string>
#include <string_view>

#include "platform/Clock.h"
#include "publish/TemplateBlocks.h"

namespace pv {

class OrderedList final : public OrderedListWriter {
public:
    static constexpr int kPurgeLinkDepth = 10;

    OrderedList(const platform::Clock& clock, LinkedFilePurger& purger) : m_clock(clock), m_purger(purger) {}

    Status WriteOrderedList(TemplateFill& fill, CFileString& templateFile, std::string_view markerName,
                            TemplateFiller& entries) override;

private:
    const platform::Clock& m_clock;
    LinkedFilePurger& m_purger;
};

}  // namespace pv
