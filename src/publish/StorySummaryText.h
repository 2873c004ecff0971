#pragma once
// The story summary behind the "StorySummary" macro: a stretch of the story
// body from an offset, cut at the end of a sentence (or at a blank, with
// "..."), without separators, references and line ends.
//
// The stretch starts after `lineOffset` line ends of the body, plus
// `offset` characters, and takes at most `length` + 500 characters (never
// past the first 2000 of the body, of which at most 20000 bytes are read).
// Separator texts go with the two characters after them; a reference goes
// with its brackets and the blank or tab just before it.  With a maximum
// additional sentence length M the text is cut to `length` + M characters
// and ends after its last full stop that a blank, a line end, a tab or the
// end follows; without M, or without such a full stop, it ends before its
// last blank (or line end or tab) with "..." after it.  Then carriage
// returns go, line feeds, tabs and stray brackets become blanks, and under
// "Use-Unicode-Conversions" apostrophes become "&lsquo;".
//
// Negative settings count as 0.
#include <cstdint>
#include <string>
#include <string_view>

#include "publish/PublishSteps.h"
#include "transport/FileString.h"

namespace pv {

struct SummarySettings {
    int lineOffset = 0;
    int offset = 0;
    int length = 0;
    int maxAdditionalSentenceLength = 0;
    bool useUnicodeConversions = false;

    // Whether a summary is made at all: some offset or the length is set.
    bool Wanted() const { return lineOffset != 0 || offset != 0 || length != 0; }
};

// The summary of a body already read (the first bytes of the body).
std::string SummaryOfBody(std::string_view body, const SummarySettings& settings);

// Reads the body of the story (after its header) and makes its summary.
std::string ExtractStorySummary(CFileString& story, const SummarySettings& settings);

class TextSummary final : public StorySummary {
public:
    explicit TextSummary(bool useUnicodeConversions) : m_useUnicodeConversions(useUnicodeConversions) {}
    std::string BuildSummary(Publication& publication) override;

private:
    const bool m_useUnicodeConversions;
};

}  // namespace pv
