#include "publish/OrderedList.h"

#include <cctype>
#include <cstdio>
#include <optional>
#include <vector>

#include "config/StoryCommand.h"
#include "platform/Wildcard.h"
#include "publish/TemplateMarker.h"

namespace pv {

namespace {

constexpr std::string_view kEndList = "<!--Quillmark End Ordered List -->";
constexpr std::string_view kEndEntry = "<!--Quillmark End Ordered Entry -->";
constexpr std::string_view kEntryPrefix = "<!--Quillmark Entry ";
constexpr std::string_view kDatePrefix = "<!--Quillmark Entry Date ";
constexpr std::string_view kSlugPrefix = "<!--Quillmark Entry Slug ";
constexpr std::string_view kPurgePrefix = "<!--Quillmark Entry Purge Date ";
constexpr std::string_view kSortPrefix = "<!--Quillmark Entry Sort ";
constexpr std::string_view kBeginList = "Begin Ordered List";
constexpr size_t kDateLineLength = 39;
constexpr size_t kPurgeLineLength = 51;
constexpr int kLastYear = 9999;
constexpr std::time_t kDay = 24 * 60 * 60;

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

int CompareIgnoringCase(std::string_view a, std::string_view b) {
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        const int x = std::tolower(static_cast<unsigned char>(a[i])), y = std::tolower(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// A run of decimal digits at `at` of `text`, exactly `count` long.
std::optional<int> Digits(std::string_view text, size_t at, size_t count) {
    if (at + count > text.size()) return std::nullopt;
    int value = 0;
    for (char c : text.substr(at, count)) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

int FullYear(int year) { return year < 90 ? year + 2000 : year < 100 ? year + 1900 : year; }
int Clamp(int value, int low, int high) { return value < low ? low : value > high ? high : value; }

// "MM?DD?YYYY" at `at`: a day at 00:00, the fields brought into range.
std::optional<std::time_t> ListDate(std::string_view text, size_t at) {
    const auto month = Digits(text, at, 2), day = Digits(text, at + 3, 2), year = Digits(text, at + 6, 4);
    if (!month || !day || !year) return std::nullopt;
    return platform::Clock::MakeLocalTime(Clamp(FullYear(*year), 1970, kLastYear), Clamp(*month, 1, 12),
                                          Clamp(*day, 1, 31), 0, 0, 0);
}

// "MM/DD/YYYY HH:MM" at `at`; fields out of range make it unreadable.
std::optional<std::time_t> PurgeTime(std::string_view text, size_t at) {
    const auto month = Digits(text, at, 2), day = Digits(text, at + 3, 2), year = Digits(text, at + 6, 4);
    const auto hour = Digits(text, at + 11, 2), minute = Digits(text, at + 14, 2);
    if (!month || !day || !year || !hour || !minute) return std::nullopt;
    if (*month < 1 || *month > 12 || *day < 1 || *day > 31 || *hour > 23 || *minute > 59) return std::nullopt;
    return platform::Clock::MakeLocalTime(FullYear(*year), *month, *day, *hour, *minute, 0);
}

std::string Format(std::time_t when, bool withTime) {
    std::tm local{};
    platform::Clock::LocalTime(when, local);
    char text[40];
    if (withTime)
        std::snprintf(text, sizeof text, "%02d/%02d/%04d %02d:%02d", local.tm_mon + 1, local.tm_mday,
                      local.tm_year + 1900, local.tm_hour, local.tm_min);
    else
        std::snprintf(text, sizeof text, "%02d/%02d/%04d", local.tm_mon + 1, local.tm_mday, local.tm_year + 1900);
    return text;
}

std::time_t StartOfDay(std::time_t when) {
    std::tm local{};
    platform::Clock::LocalTime(when, local);
    return platform::Clock::MakeLocalTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, 0, 0, 0);
}

// The limit: a decimal number; anything else limits nothing (a limit of 0
// would let every entry go).
std::optional<int> Limit(std::string_view token) {
    if (token.empty() || token.size() > 6) return std::nullopt;
    int value = 0;
    for (char c : token) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

struct ListParameters {
    bool byDate = false;
    bool ascending = false;
    std::optional<std::string> purgeMacro;
    std::optional<std::string> sortMacro;
    std::optional<int> limit;
    std::string entryTemplate = "TextTemplate.htm";
    std::string entryLinkTemplate = "TextLinkTemplate.htm";
};

ListParameters ReadParameters(std::string_view markerName) {
    ListParameters list;
    std::string_view rest = markerName.substr(std::min(markerName.size(), kBeginList.size()));
    int others = 0;
    while (!(rest = Trimmed(rest)).empty()) {
        const size_t end = rest.find_first_of(" \t");
        const std::string_view token = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end);
        const size_t equals = token.find('=');
        const std::string_view key = token.substr(0, equals);
        if (equals != std::string_view::npos && platform::EqualsIgnoringCase(key, "PurgeDate"))
            list.purgeMacro = std::string(token.substr(equals + 1));
        else if (equals != std::string_view::npos && platform::EqualsIgnoringCase(key, "Sort"))
            list.sortMacro = std::string(token.substr(equals + 1));
        else if (platform::EqualsIgnoringCase(token, "Date")) list.byDate = true;
        else if (platform::EqualsIgnoringCase(token, "Fixed")) list.byDate = false;
        else if (platform::EqualsIgnoringCase(token, "Ascending")) list.ascending = true;
        else if (platform::EqualsIgnoringCase(token, "Descending")) list.ascending = false;
        else if (others == 0 && ++others) list.limit = Limit(token);
        else if (others == 1 && ++others) list.entryTemplate = std::string(token);
        else if (others == 2 && ++others) list.entryLinkTemplate = std::string(token);
    }
    return list;
}

struct EntryHeader {
    std::optional<std::time_t> date;
    std::string slug;
    bool matches = false;
    std::optional<std::time_t> purge;
    std::string sort;
};

// One existing entry (its lines up to its End Ordered Entry line), or the
// end of the list (the lines before the End Ordered List line, if any).
struct Chunk {
    EntryHeader header;
    bool isEnd = false;
};

class ListRun {
public:
    ListRun(TemplateFill& fill, CFileString& templateFile, TemplateFiller& entries, LinkedFilePurger& purger,
            std::string_view markerName, std::time_t now)
        : m_fill(fill), m_template(templateFile), m_entries(entries), m_purger(purger),
          m_list(ReadParameters(markerName)), m_now(now), m_command(fill.story.work.command),
          m_slug(PageValue(fill.macros.Values().slug)) {}

    Status Fill();

private:
    void WorkOutNewEntry();
    Status CountEntries();
    Status ReadChunk(Chunk& chunk, std::vector<std::string>* lines);
    Status PeekChunk(Chunk& chunk);
    EntryHeader ReadHeader(const std::vector<std::string>& lines) const;
    Status CheckControlLine(const std::string& line, std::string_view marker, bool& found);
    bool NewEntryGoesBefore(const Chunk& chunk) const;
    bool Dropped(const EntryHeader& entry) const;
    Status WriteNewEntry();
    void DropEntry(const EntryHeader& entry, const std::vector<std::string>& lines);
    bool Expired(const EntryHeader& entry) const { return m_list.purgeMacro && entry.purge && *entry.purge <= m_now; }

    TemplateFill& m_fill;
    CFileString& m_template;
    TemplateFiller& m_entries;
    LinkedFilePurger& m_purger;
    const ListParameters m_list;
    const std::time_t m_now;
    const int m_command;
    const std::string m_slug;  // as entries carry it

    std::time_t m_newDate = 0;
    std::time_t m_newPurge = 0;
    std::string m_newSort;
    std::time_t m_cutoff = 0;
    int m_live = 0;
    int m_matches = 0;
    int m_projected = 0;
    int m_position = 1;
    bool m_placed = false;
};

Status ListRun::Fill() {
    WorkOutNewEntry();
    const bool countFirst = (!m_list.byDate && m_list.ascending) || (!m_list.ascending && m_command == kCmdAddUnique);
    if (countFirst) {
        if (Status counted = CountEntries(); !counted.ok()) return counted;
    }
    m_projected = m_live;
    for (;;) {
        Chunk chunk;
        if (Status peeked = PeekChunk(chunk); !peeked.ok()) return peeked;
        bool dropHere = false;
        if (!m_placed && m_command == kCmdDelete) {
            if (!chunk.isEnd && chunk.header.matches) m_placed = dropHere = true;
        } else if (!m_placed && NewEntryGoesBefore(chunk)) {
            if (Status written = WriteNewEntry(); !written.ok()) return written;
            m_placed = true;
            dropHere = !chunk.isEnd && (m_fill.story.options.replaceOrderedEntry || m_command == kCmdReplace ||
                                        m_command == kCmdReplaceTextOnly);
        }
        std::vector<std::string> lines;
        if (Status read = ReadChunk(chunk, &lines); !read.ok()) return read;
        if (chunk.isEnd) {
            for (const std::string& line : lines) m_fill.output.WriteLine(line);
            break;
        }
        if (dropHere || Dropped(chunk.header)) {
            DropEntry(chunk.header, lines);
            continue;
        }
        for (const std::string& line : lines) m_fill.output.WriteLine(line);
        ++m_position;
    }
    m_fill.output.Write(kEndList);
    return Status::OK();
}

void ListRun::WorkOutNewEntry() {
    const CTextFileHeader* header = m_fill.macros.Values().header;
    const std::string date = header ? header->m_strDate : std::string();
    const std::optional<std::time_t> given = date.size() >= 10 ? ListDate(date, 0) : std::nullopt;
    m_newDate = given ? *given : m_now;
    if (m_list.byDate && m_list.limit) m_cutoff = StartOfDay(m_now) - static_cast<std::time_t>(*m_list.limit) * kDay;
    if (m_list.purgeMacro) {
        const std::string value = m_fill.macros.Value(*m_list.purgeMacro).value_or("");
        std::optional<std::time_t> purge;
        if (value.size() == 16) purge = PurgeTime(value, 0);
        else if (value.size() == 10) purge = PurgeTime(value + " 23:59", 0);
        m_newPurge = purge ? *purge : m_now + 3650 * kDay + 23 * 3600 + 59 * 60;
    }
    if (m_list.sortMacro) m_newSort = m_fill.macros.Value(*m_list.sortMacro).value_or("");
}

// The live entries and those of the story's slug, before anything is
// written; the template goes back to where it was.
Status ListRun::CountEntries() {
    const int64_t start = m_template.GetPosition();
    for (;;) {
        Chunk chunk;
        if (Status peeked = PeekChunk(chunk); !peeked.ok()) return peeked;
        if (Status read = ReadChunk(chunk, nullptr); !read.ok()) return read;
        if (chunk.isEnd) break;
        if (!Expired(chunk.header)) ++m_live;
        if (chunk.header.matches) ++m_matches;
    }
    m_template.Seek(start, CFileString::seekBegin);
    return Status::OK();
}

// What comes next: an entry (with its header) or the end of the list.  The
// template goes back to where it was.
Status ListRun::PeekChunk(Chunk& chunk) {
    const int64_t start = m_template.GetPosition();
    std::vector<std::string> lines;
    const Status read = ReadChunk(chunk, &lines);
    m_template.Seek(start, CFileString::seekBegin);
    if (read.ok()) chunk.header = ReadHeader(lines);
    return read;
}

// The lines of the next chunk, its closing End Ordered Entry line included
// (an End Ordered List line, or the end of the template, ends the list and
// is not among them).
Status ListRun::ReadChunk(Chunk& chunk, std::vector<std::string>* lines) {
    for (std::string line; m_template.ReadLine(line);) {
        bool endsList = false, endsEntry = false;
        if (Status checked = CheckControlLine(line, kEndList, endsList); !checked.ok()) return checked;
        if (endsList) {
            chunk.isEnd = true;
            return Status::OK();
        }
        if (Status checked = CheckControlLine(line, kEndEntry, endsEntry); !checked.ok()) return checked;
        if (lines) lines->push_back(line);
        if (endsEntry) return Status::OK();
    }
    chunk.isEnd = true;
    return Status::OK();
}

EntryHeader ListRun::ReadHeader(const std::vector<std::string>& lines) const {
    EntryHeader entry;
    for (const std::string& raw : lines) {
        const std::string_view line = Trimmed(raw);
        if (!StartsWith(line, kEntryPrefix)) break;
        if (StartsWith(line, kDatePrefix)) {
            if (line.size() == kDateLineLength) entry.date = ListDate(line, kDatePrefix.size());
        } else if (StartsWith(line, kSlugPrefix)) {
            if (line.size() >= kSlugPrefix.size() + 4)
                entry.slug = std::string(line.substr(kSlugPrefix.size(), line.size() - 4 - kSlugPrefix.size()));
            entry.matches = entry.slug == m_slug;
        } else if (StartsWith(line, kPurgePrefix)) {
            if (line.size() == kPurgeLineLength) entry.purge = PurgeTime(line, kPurgePrefix.size());
        } else if (StartsWith(line, kSortPrefix)) {
            if (line.size() >= kSortPrefix.size() + 4)
                entry.sort = std::string(line.substr(kSortPrefix.size(), line.size() - 4 - kSortPrefix.size()));
        } else {
            break;
        }
    }
    return entry;
}

// A list marker must stand alone on its line.
Status ListRun::CheckControlLine(const std::string& line, std::string_view marker, bool& found) {
    const std::string_view text = Trimmed(line);
    found = false;
    if (text.find(marker) == std::string_view::npos) return Status::OK();
    if (text == marker) {
        found = true;
        return Status::OK();
    }
    return m_fill.reports.Fatal(Status::InvalidArgument("Ordered List control macro not on it's own line: " + line +
                                                        " in text template file " + m_template.GetFilePath() + "."));
}

bool ListRun::NewEntryGoesBefore(const Chunk& chunk) const {
    if (chunk.isEnd) return true;
    const EntryHeader& entry = chunk.header;
    const bool replacing = m_command == kCmdReplace || m_command == kCmdReplaceTextOnly;
    if (m_list.byDate) {
        if (!replacing && (!entry.date || (m_list.ascending ? m_newDate < *entry.date : m_newDate >= *entry.date)))
            return true;
    } else if (m_list.sortMacro) {
        const int order = CompareIgnoringCase(m_newSort, entry.sort);
        if (m_list.ascending ? order < 0 : order > 0) return true;
    } else {
        const int fixed = m_fill.story.options.orderedEntry;
        if (fixed != 0) {
            if (m_position == fixed) return true;
        } else if (m_list.ascending ? (m_list.limit && m_position == *m_list.limit)
                                    : ((m_command == kCmdAdd || m_command == kCmdAddUnique) && m_position == 1)) {
            return true;
        }
    }
    return replacing && entry.matches;
}

bool ListRun::Dropped(const EntryHeader& entry) const {
    if (m_command == kCmdAddUnique && entry.matches) return true;
    if (Expired(entry)) return true;
    if (m_list.byDate) return !entry.date || (m_list.limit && *entry.date < m_cutoff);
    if (!m_list.limit) return false;
    const int limit = *m_list.limit;
    if (m_position > limit) return true;
    if (m_placed || !m_list.ascending) return false;
    if (m_command == kCmdAdd) return m_projected >= limit;
    if (m_command == kCmdAddUnique) return m_projected - m_matches >= limit;
    return m_projected > limit;
}

Status ListRun::WriteNewEntry() {
    PageOutput& out = m_fill.output;
    out.WriteLine(std::string(kDatePrefix) + Format(m_newDate, false) + " -->");
    out.WriteLine(std::string(kSlugPrefix) + m_slug + " -->");
    if (m_list.purgeMacro) out.WriteLine(std::string(kPurgePrefix) + Format(m_newPurge, true) + " -->");
    if (m_list.sortMacro) out.WriteLine(std::string(kSortPrefix) + PageValue(m_newSort) + " -->");
    if (Status filled = m_entries.FillTemplate(m_fill, m_list.entryTemplate, m_list.entryLinkTemplate); !filled.ok())
        return filled;
    out.WriteLine(kEndEntry);
    ++m_position;
    ++m_projected;
    return Status::OK();
}

// A dropped entry is said, and the files it links to ("[name]" anywhere in
// its lines) go once the new page is in place.
void ListRun::DropEntry(const EntryHeader& entry, const std::vector<std::string>& lines) {
    m_fill.reports.Log("Deleting Ordered List Entry for Slug: " + entry.slug + ".");
    const int depth = m_fill.story.options.dontPurgeOldLinkedFiles ? 0 : OrderedList::kPurgeLinkDepth;
    for (const std::string& line : lines) {
        for (size_t open = line.find('['); open != std::string::npos; open = line.find('[', open + 1)) {
            const size_t close = line.find(']', open + 1);
            if (close == std::string::npos) break;
            const std::string_view name = Trimmed(std::string_view(line).substr(open + 1, close - open - 1));
            if (!name.empty()) m_purger.PurgeLinkedFile(m_fill, std::string(name), depth);
        }
    }
    --m_projected;
}

}  // namespace

Status OrderedList::WriteOrderedList(TemplateFill& fill, CFileString& templateFile, std::string_view markerName,
                                     TemplateFiller& entries) {
    fill.output.WriteLine(MarkerText(markerName));
    return ListRun(fill, templateFile, entries, m_purger, markerName, m_clock.NowSeconds()).Fill();
}

}  // namespace pv
