#include "config/ProfileFile.h"

#include <chrono>
#include <climits>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <vector>

#include "platform/File.h"
#include "platform/Wildcard.h"
#include "platform/FileMode.h"
#include "platform/FileSystem.h"

namespace pv {

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr unsigned kNewFilePermissions = 0600;
// A file modified this shortly before it was read may change again within the
// same timestamp tick, so its image is not trusted until it has been re-read
// later than that.
constexpr auto kSettleTime = std::chrono::seconds(2);

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }


bool IsQuote(char c) { return c == '"' || c == '\''; }

// ---------------------------------------------------------------------------
// One line of the file, kept byte for byte.

struct Line {
    std::string text;  // without its line end
    std::string end;   // "\r\n", "\n", "\r" (last line only) or "" (last line only)
};

enum class LineKind { other, section, key };

struct LineShape {
    LineKind kind = LineKind::other;
    std::string_view name;  // section or key name, trimmed
    size_t valueStart = 0;  // key lines: index just after the "="
};

LineShape Shape(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos || text[first] == ';') return {};
    if (text[first] == '[') {
        const size_t close = text.find(']', first + 1);
        if (close != std::string_view::npos)
            return {LineKind::section, TrimBlanks(text.substr(first + 1, close - first - 1)), 0};
    }
    const size_t equals = text.find('=');
    if (equals == std::string_view::npos) return {};
    return {LineKind::key, TrimBlanks(text.substr(0, equals)), equals + 1};
}

std::string DecodeValue(std::string_view raw) {
    std::string_view value = TrimBlanks(raw);
    if (value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

// The text that DecodeValue turns back into value.
std::string EncodeValue(std::string_view value) {
    const bool blankEdge = !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()));
    const bool quoted = value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front();
    if (blankEdge || quoted) return "\"" + std::string(value) + "\"";
    return std::string(value);
}

// ---------------------------------------------------------------------------
// The parsed file.

class ProfileImage {
public:
    static ProfileImage Parse(std::string_view bytes);

    std::optional<std::string> Find(std::string_view section, std::string_view key) const;
    void Set(std::string_view section, std::string_view key, std::string_view value);
    std::string Bytes() const;

private:
    std::optional<size_t> FindKeyLine(std::string_view section, std::string_view key) const;
    std::optional<size_t> FindSectionLine(std::string_view section) const;
    size_t EndOfSectionKeys(size_t sectionLine) const;
    void ReplaceValue(Line& line, std::string_view value);
    void InsertLine(size_t at, std::string text);

    std::vector<Line> m_lines;
};

ProfileImage ProfileImage::Parse(std::string_view bytes) {
    ProfileImage image;
    size_t start = 0;
    while (start < bytes.size()) {
        const size_t newline = bytes.find('\n', start);
        Line line;
        if (newline == std::string_view::npos) {
            line.text = std::string(bytes.substr(start));
            if (!line.text.empty() && line.text.back() == '\r') {
                line.text.pop_back();
                line.end = "\r";
            }
            start = bytes.size();
        } else {
            line.text = std::string(bytes.substr(start, newline - start));
            line.end = "\n";
            if (!line.text.empty() && line.text.back() == '\r') {
                line.text.pop_back();
                line.end = kCrLf;
            }
            start = newline + 1;
        }
        image.m_lines.push_back(std::move(line));
    }
    return image;
}

std::optional<size_t> ProfileImage::FindKeyLine(std::string_view section, std::string_view key) const {
    bool inSection = false;
    for (size_t i = 0; i < m_lines.size(); ++i) {
        const LineShape shape = Shape(m_lines[i].text);
        if (shape.kind == LineKind::section) inSection = NamesEqual(shape.name, section);
        else if (inSection && shape.kind == LineKind::key && NamesEqual(shape.name, key)) return i;
    }
    return std::nullopt;
}

std::optional<size_t> ProfileImage::FindSectionLine(std::string_view section) const {
    for (size_t i = 0; i < m_lines.size(); ++i) {
        const LineShape shape = Shape(m_lines[i].text);
        if (shape.kind == LineKind::section && NamesEqual(shape.name, section)) return i;
    }
    return std::nullopt;
}

// The index just after the section's last key line (or its header line), so
// that blank lines and comments before the next section stay where they are.
size_t ProfileImage::EndOfSectionKeys(size_t sectionLine) const {
    size_t end = sectionLine + 1;
    for (size_t i = sectionLine + 1; i < m_lines.size(); ++i) {
        const LineKind kind = Shape(m_lines[i].text).kind;
        if (kind == LineKind::section) break;
        if (kind == LineKind::key) end = i + 1;
    }
    return end;
}

std::optional<std::string> ProfileImage::Find(std::string_view section, std::string_view key) const {
    const std::optional<size_t> line = FindKeyLine(section, key);
    if (!line) return std::nullopt;
    const std::string& text = m_lines[*line].text;
    return DecodeValue(std::string_view(text).substr(Shape(text).valueStart));
}

void ProfileImage::ReplaceValue(Line& line, std::string_view value) {
    size_t keep = Shape(line.text).valueStart;
    while (keep < line.text.size() && (line.text[keep] == ' ' || line.text[keep] == '\t')) ++keep;
    line.text.resize(keep);
    line.text += EncodeValue(value);
}

void ProfileImage::InsertLine(size_t at, std::string text) {
    if (at > 0 && (m_lines[at - 1].end.empty() || m_lines[at - 1].end == "\r")) m_lines[at - 1].end = kCrLf;
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(at), Line{std::move(text), std::string(kCrLf)});
}

void ProfileImage::Set(std::string_view section, std::string_view key, std::string_view value) {
    if (const std::optional<size_t> line = FindKeyLine(section, key)) {
        ReplaceValue(m_lines[*line], value);
        return;
    }
    std::string keyLine = std::string(key) + "=" + EncodeValue(value);
    if (const std::optional<size_t> header = FindSectionLine(section)) {
        InsertLine(EndOfSectionKeys(*header), std::move(keyLine));
        return;
    }
    InsertLine(m_lines.size(), "[" + std::string(section) + "]");
    InsertLine(m_lines.size(), std::move(keyLine));
}

std::string ProfileImage::Bytes() const {
    std::string bytes;
    for (const Line& line : m_lines) bytes += line.text + line.end;
    return bytes;
}

// ---------------------------------------------------------------------------
// The process-wide images, one per path, and the lock that serialises all
// access to profile files.

struct Entry {
    enum class State { absent, readable, unreadable };
    State state = State::absent;
    platform::FileStamp stamp;
    std::chrono::system_clock::time_point takenAt{};
    ProfileImage image;
    std::string problem;  // why the file cannot be read
    int batchDepth = 0;   // open write batches on this file
    bool dirty = false;   // the image holds writes not yet on disk (batch)
    bool createdByBatch = false;  // the file did not exist when the dirty writes began

    bool Settled() const { return stamp.modified + kSettleTime < takenAt; }
};

struct Store {
    std::mutex mutex;
    std::map<std::string, Entry> entries;
};

Store& TheStore() {
    static Store store;
    return store;
}

Entry Unreadable(std::string problem) {
    Entry entry;
    entry.state = Entry::State::unreadable;
    entry.problem = std::move(problem);
    return entry;
}

bool ReadAll(platform::File& file, std::string& bytes) {
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        const int64_t got = file.Read(buffer.data(), static_cast<int64_t>(buffer.size()));
        if (got < 0) return false;
        if (got == 0) return true;
        bytes.append(buffer.data(), static_cast<size_t>(got));
    }
}

Entry Load(const std::string& path, const platform::FileStamp& pathStamp) {
    if (!pathStamp.regular) return Unreadable(path + " exists but is not a plain file");
    Entry entry;
    entry.takenAt = std::chrono::system_clock::now();
    platform::File file;
    std::string error;
    if (!file.Open(path, platform::File::modeRead | platform::File::typeBinary, &error)) return Unreadable(error);
    std::string bytes;
    if (!ReadAll(file, bytes)) return Unreadable("cannot read " + path);
    if (!platform::StampOf(file, entry.stamp)) entry.stamp = pathStamp;
    entry.state = Entry::State::readable;
    entry.image = ProfileImage::Parse(bytes);
    return entry;
}

// The image of the file as it is on disk now.  The caller holds the lock.
Entry& Refresh(Store& store, const std::string& path) {
    Entry& entry = store.entries[path];
    if (entry.dirty) return entry;  // a batch's pending writes are the truth until it commits
    const int batchDepth = entry.batchDepth;
    platform::FileStamp stamp;
    switch (platform::StampOf(path, stamp)) {
    case platform::Existence::absent:
        entry = Entry{};
        break;
    case platform::Existence::unknown:
        entry = Unreadable("cannot tell whether " + path + " exists");
        break;
    case platform::Existence::present:
        if (entry.state != Entry::State::readable || !(entry.stamp == stamp) || !entry.Settled())
            entry = Load(path, stamp);
        break;
    }
    entry.batchDepth = batchDepth;
    return entry;
}


std::string TempPathFor(const std::string& path) {
    static std::mt19937_64 generator{std::random_device{}()};
    static constexpr char kHex[] = "0123456789abcdef";
    std::string suffix;
    uint64_t bits = generator();
    for (int i = 0; i < 12; ++i, bits >>= 4) suffix += kHex[bits & 0xF];
    return path + "." + suffix + ".tmp";
}

bool Fail(std::string* error, const std::string& problem) {
    if (error) *error = problem;
    return false;
}

bool WriteTemp(platform::File& temp, const std::string& bytes, unsigned permissions, platform::FileStamp& stamp,
               std::string& problem) {
    if (!platform::SetPermissions(temp, permissions, &problem)) return false;
    if (!temp.Write(bytes) || !temp.Sync()) {
        problem = "cannot write " + temp.HostPath();
        return false;
    }
    if (!platform::StampOf(temp, stamp)) stamp = {};
    if (!temp.Close()) {
        problem = "cannot write " + temp.HostPath();
        return false;
    }
    return true;
}

// Writes bytes to a temporary file beside path and renames it over path.
bool ReplaceAtomically(const std::string& path, const std::string& bytes, unsigned permissions,
                       platform::FileStamp& stamp, std::string& problem) {
    const std::string tempPath = TempPathFor(path);
    platform::File temp;
    if (!temp.Open(tempPath, platform::File::modeWrite | platform::File::modeCreateNew | platform::File::typeBinary,
                   &problem))
        return false;
    bool done = WriteTemp(temp, bytes, permissions, stamp, problem);
    if (done) done = platform::RenameReplace(tempPath, path, &problem);
    if (!done) {
        temp.Close();
        platform::RemoveFile(tempPath);
    }
    return done;
}

bool CheckWrite(std::string_view section, std::string_view key, std::string_view value, std::string& problem) {
    const auto hasLineEnd = [](std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; };
    if (section.empty() || key.empty()) problem = "empty section or key name";
    else if (section.find(']') != std::string_view::npos) problem = "section name holds \"]\"";
    else if (key.find('=') != std::string_view::npos || key.front() == '[' || key.front() == ';')
        problem = "key name holds \"=\" or starts with \"[\" or \";\"";
    else if (hasLineEnd(section) || hasLineEnd(key) || hasLineEnd(value)) problem = "line end in a name or value";
    else return true;
    return false;
}

}  // namespace

// ---------------------------------------------------------------------------

bool NamesEqual(std::string_view a, std::string_view b) { return platform::EqualsIgnoringCase(a, b); }

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

int LeadingInt(std::string_view text) {
    text = TrimBlanks(text);
    const bool negative = !text.empty() && text.front() == '-';
    if (negative) text.remove_prefix(1);
    long long magnitude = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > static_cast<long long>(INT_MAX) + 1) break;  // clamped below
    }
    const long long number = negative ? -magnitude : magnitude;
    if (number > INT_MAX) return INT_MAX;
    if (number < INT_MIN) return INT_MIN;
    return static_cast<int>(number);
}

ProfileFile::ProfileFile(std::string path) : m_path(std::move(path)) {}

std::optional<std::string> ProfileFile::Find(std::string_view section, std::string_view key) const {
    section = TrimBlanks(section);
    key = TrimBlanks(key);
    if (section.empty() || key.empty()) return std::nullopt;
    Store& store = TheStore();
    std::lock_guard<std::mutex> lock(store.mutex);
    return Refresh(store, m_path).image.Find(section, key);
}

std::string ProfileFile::GetString(std::string_view section, std::string_view key,
                                   std::string_view defaultValue) const {
    std::optional<std::string> value = Find(section, key);
    return value ? std::move(*value) : std::string(defaultValue);
}

int ProfileFile::GetInt(std::string_view section, std::string_view key, int defaultValue) const {
    const std::optional<std::string> value = Find(section, key);
    return value ? LeadingInt(*value) : defaultValue;
}

bool ProfileFile::WriteString(std::string_view section, std::string_view key, std::string_view value,
                              std::string* error) {
    section = TrimBlanks(section);
    key = TrimBlanks(key);
    std::string problem;
    if (!CheckWrite(section, key, value, problem)) return Fail(error, problem + " (" + m_path + ")");
    Store& store = TheStore();
    std::lock_guard<std::mutex> lock(store.mutex);
    Entry& entry = Refresh(store, m_path);
    if (entry.state == Entry::State::unreadable) return Fail(error, entry.problem + "; not replaced");
    const std::optional<std::string> current = entry.image.Find(section, key);
    if (current && *current == value) return true;
    if (entry.batchDepth > 0) {
        if (!entry.dirty) entry.createdByBatch = entry.state == Entry::State::absent;
        entry.image.Set(section, key, value);
        entry.state = Entry::State::readable;
        entry.dirty = true;
        return true;
    }
    Entry written;
    written.image = entry.image;
    written.image.Set(section, key, value);
    written.state = Entry::State::readable;
    const unsigned permissions = entry.state == Entry::State::absent ? kNewFilePermissions : entry.stamp.permissions;
    written.takenAt = std::chrono::system_clock::now();
    if (!ReplaceAtomically(m_path, written.image.Bytes(), permissions, written.stamp, problem))
        return Fail(error, problem);
    entry = std::move(written);
    return true;
}

}  // namespace pv

namespace pv {

ProfileBatch::ProfileBatch(std::string path) : m_path(std::move(path)) {
    Store& store = TheStore();
    std::lock_guard<std::mutex> lock(store.mutex);
    ++Refresh(store, m_path).batchDepth;
}

ProfileBatch::~ProfileBatch() { Commit(); }

bool ProfileBatch::Commit(std::string* error) {
    if (m_committed) return true;
    m_committed = true;
    Store& store = TheStore();
    std::lock_guard<std::mutex> lock(store.mutex);
    Entry& entry = store.entries[m_path];
    if (entry.batchDepth > 0) --entry.batchDepth;
    if (entry.batchDepth > 0 || !entry.dirty) return true;
    const unsigned permissions = entry.createdByBatch ? kNewFilePermissions : entry.stamp.permissions;
    std::string problem;
    platform::FileStamp stamp;
    entry.dirty = false;
    if (!ReplaceAtomically(m_path, entry.image.Bytes(), permissions, stamp, problem)) {
        entry = Entry{};  // re-read what is really on disk next time
        return Fail(error, problem);
    }
    entry.stamp = stamp;
    entry.takenAt = std::chrono::system_clock::now();
    return true;
}

}  // namespace pv
