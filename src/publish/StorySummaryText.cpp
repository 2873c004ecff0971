#include "publish/StorySummaryText.h"

#include <algorithm>

#include "publish/StoryLines.h"

namespace pv {

namespace {

constexpr int64_t kBytesRead = 20000;
constexpr int64_t kLongestStretch = 2000;
constexpr int64_t kStretchBeyondLength = 500;
constexpr std::string_view kEllipsis = "...";

bool EndsAWord(char c) { return c == ' ' || c == '\r' || c == '\n' || c == '\t'; }

int64_t NotNegative(int value) { return std::max(value, 0); }

void RemoveSeparators(std::string& text) {
    for (size_t at = text.find(kSeparatorLine); at != std::string::npos; at = text.find(kSeparatorLine, at))
        text.erase(at, kSeparatorLine.size() + 2);
}

void RemoveReferences(std::string& text) {
    std::string kept;
    kept.reserve(text.size());
    size_t from = 0;
    for (;;) {
        const size_t open = text.find('[', from);
        const size_t close = open == std::string::npos ? open : text.find(']', open + 1);
        if (close == std::string::npos) break;
        size_t end = open;
        if (end > from && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
        kept.append(text, from, end - from);
        from = close + 1;
    }
    kept.append(text, from, std::string::npos);
    text = std::move(kept);
}

// Cut after the last full stop that ends a sentence; false when there is none.
bool CutAfterSentence(std::string& text) {
    for (size_t at = text.size(); at-- > 0;) {
        if (text[at] != '.') continue;
        if (at + 1 == text.size() || EndsAWord(text[at + 1])) {
            text.resize(at + 1);
            return true;
        }
    }
    return false;
}

void CutAtLastBlank(std::string& text) {
    for (size_t at = text.size(); at-- > 1;) {
        if (EndsAWord(text[at])) {
            text.resize(at);
            text += kEllipsis;
            return;
        }
    }
}

void Tidy(std::string& text, bool useUnicodeConversions) {
    std::string tidy;
    tidy.reserve(text.size());
    for (const char c : text) {
        if (c == '\r') continue;
        if (c == '\n' || c == '\t' || c == '[' || c == ']') tidy += ' ';
        else if (c == '\'' && useUnicodeConversions) tidy += "&lsquo;";
        else tidy += c;
    }
    text = std::move(tidy);
}

}  // namespace

std::string SummaryOfBody(std::string_view body, const SummarySettings& settings) {
    const int64_t available = static_cast<int64_t>(body.size());
    int64_t start = 0;
    for (int64_t lines = NotNegative(settings.lineOffset); lines > 0 && start < available; --lines) {
        const size_t lineEnd = body.find('\n', static_cast<size_t>(start));
        if (lineEnd == std::string_view::npos) break;
        start = static_cast<int64_t>(lineEnd) + 1;
    }
    start += NotNegative(settings.offset);
    if (start > available) return {};
    const int64_t length = NotNegative(settings.length);
    const int64_t end = std::min({available, start + length + kStretchBeyondLength, kLongestStretch});
    if (start >= end) return {};
    std::string text(body.substr(static_cast<size_t>(start), static_cast<size_t>(end - start)));

    RemoveSeparators(text);
    RemoveReferences(text);
    const int64_t additional = NotNegative(settings.maxAdditionalSentenceLength);
    bool sentence = false;
    if (additional != 0) {
        if (static_cast<int64_t>(text.size()) > length + additional) text.resize(static_cast<size_t>(length + additional));
        sentence = CutAfterSentence(text);
    }
    if (!sentence) CutAtLastBlank(text);
    Tidy(text, settings.useUnicodeConversions);
    return text;
}

std::string ExtractStorySummary(CFileString& story, const SummarySettings& settings) {
    SkipStoryHeader(story);
    std::string body(static_cast<size_t>(kBytesRead), '\0');
    const int64_t read = story.Read(body.data(), kBytesRead);
    body.resize(static_cast<size_t>(std::max<int64_t>(read, 0)));
    return SummaryOfBody(body, settings);
}

std::string TextSummary::BuildSummary(Publication& publication) {
    const RouteStoryState& state = publication.routeState;
    const SummarySettings settings{publication.Route().m_nSummaryLineOffset, state.summaryOffset,
                                   state.summaryLength, state.summaryMaxAdditionalSentenceLength,
                                   m_useUnicodeConversions};
    if (!settings.Wanted()) return {};
    return ExtractStorySummary(publication.StoryText(), settings);
}

}  // namespace pv
