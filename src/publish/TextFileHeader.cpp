#include "publish/TextFileHeader.h"

#include <optional>
#include <string_view>

namespace pv {

namespace {

constexpr std::string_view kFieldPrefix = "FILE";
constexpr int64_t kKeyLength = 4;
// What a field line starts with: "FILE", the key and ":".
constexpr int64_t kProbeLength = 9;

struct NamedField {
    std::string_view key;
    std::string CTextFileHeader::*field;
    bool alwaysWritten;
};

// In the order they are written.
constexpr NamedField kNamedFields[] = {
    {"SLUG", &CTextFileHeader::m_strSlug, true},     {"CATG", &CTextFileHeader::m_strCategory, true},
    {"WHOM", &CTextFileHeader::m_strWho, true},      {"WRIT", &CTextFileHeader::m_strWriter, true},
    {"DATE", &CTextFileHeader::m_strDate, true},     {"SHOW", &CTextFileHeader::m_strShow, true},
    {"TIME", &CTextFileHeader::m_strTime, true},     {"NEXT", &CTextFileHeader::m_strNext, true},
    {"OWNR", &CTextFileHeader::m_strOwner, false},   {"LUSE", &CTextFileHeader::m_strLuse, false},
    {"TUSE", &CTextFileHeader::m_strTuse, false},    {"CMD1", &CTextFileHeader::m_strCommand, false},
};

// The key of a field line from the first bytes of a line, or nothing when
// they do not start one.  A key holding a line end or a zero byte would reach
// into the next line: the line is a body line.
std::optional<std::string> FieldKey(const char* probe, int64_t length) {
    if (length != kProbeLength) return std::nullopt;
    const std::string_view bytes(probe, kProbeLength);
    if (!bytes.starts_with(kFieldPrefix) || bytes.back() != ':') return std::nullopt;
    const std::string_view key = bytes.substr(kFieldPrefix.size(), kKeyLength);
    if (key.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) return std::nullopt;
    return std::string(key);
}

// 1 to 9 for the keys US01 to US09, else 0.
int UserFieldNumber(std::string_view key) {
    if (!key.starts_with("US0") || key.size() != 4 || key[3] < '1' || key[3] > '9') return 0;
    return key[3] - '0';
}

std::string UserFieldKey(int number) { return "US0" + std::string(1, static_cast<char>('0' + number)); }

// A value as one line: each run of carriage returns and line feeds becomes a
// single blank.  A value with a line end in it would otherwise end its field
// line early and put a line of its own into the header (a slug holding
// "\nFILECMD1:Delete" would read back as a delete command); the blank keeps
// the words on either side apart.
std::string SingleLine(std::string_view value) {
    std::string line;
    line.reserve(value.size());
    bool inLineEnd = false;
    for (const char c : value) {
        const bool lineEnd = c == '\r' || c == '\n';
        if (!lineEnd) line += c;
        else if (!inLineEnd) line += ' ';
        inLineEnd = lineEnd;
    }
    return line;
}

std::string FieldLine(std::string_view key, std::string_view value) {
    std::string line(kFieldPrefix);
    line.append(key).append(":").append(SingleLine(value)).append("\n");
    return line;
}

}  // namespace

void CTextFileHeader::Clear() {
    for (const NamedField& named : kNamedFields) (this->*named.field).clear();
    m_nCommand = kNoStoryCommand;
    for (std::string& user : m_strUser) user.clear();
    m_otherFields.clear();
    m_bFound = false;
}

Status CTextFileHeader::Read(CFileString& file) {
    Clear();
    if (!file.IsOpen()) return Fail("The file is not open.");
    const int64_t length = file.GetLength();
    if (length < 0) return Fail("The length of the file cannot be read.");
    if (length < kMinimumFileLength) return Status::OK();
    if (file.SeekToBegin() != 0) return Fail("The file cannot be rewound.");
    std::string firstLine;
    file.ReadLine(firstLine);
    if (file.ReadFailed()) return Fail("A read of the file failed.");
    if (firstLine != kMagicLine) {
        if (file.SeekToBegin() != 0) return Fail("The file cannot be rewound.");
        return Status::OK();
    }
    m_bFound = true;
    return ReadFields(file);
}

// Field lines up to the first line of another form, which is given back to
// the file so that the next read starts with it.
Status CTextFileHeader::ReadFields(CFileString& file) {
    for (;;) {
        char probe[kProbeLength];
        const int64_t got = file.Read(probe, kProbeLength);
        if (file.ReadFailed()) return Fail("A read of the file failed.");
        const std::optional<std::string> key = FieldKey(probe, got);
        if (!key) {
            if (got > 0 && file.Seek(-got, CFileString::seekCurrent) < 0)
                return Fail("The file cannot be moved back to the first body line.");
            return Status::OK();
        }
        std::string value;
        file.ReadLine(value);
        if (file.ReadFailed()) return Fail("A read of the file failed.");
        while (!value.empty() && value.back() == '\r') value.pop_back();
        Store(*key, std::move(value));
    }
}

// A key given twice keeps its later value.
void CTextFileHeader::Store(const std::string& key, std::string value) {
    for (const NamedField& named : kNamedFields) {
        if (key != named.key) continue;
        if (named.field == &CTextFileHeader::m_strCommand) {
            const std::optional<StoryCommand> command = StoryCommandFromWord(value);
            m_nCommand = command ? *command : kNoStoryCommand;
        }
        this->*named.field = std::move(value);
        return;
    }
    if (const int user = UserFieldNumber(key); user > 0) {
        m_strUser[static_cast<size_t>(user - 1)] = std::move(value);
        return;
    }
    m_otherFields.push_back({key, std::move(value)});
}

Status CTextFileHeader::Fail(const std::string& cause) {
    Clear();
    return Status::IoError(kReadErrorMessage).WithDetail(cause);
}

std::string CTextFileHeader::HeaderText() const {
    std::string text = std::string(kMagicLine) + "\n";
    for (const NamedField& named : kNamedFields) {
        const std::string& value = this->*named.field;
        if (named.alwaysWritten || !value.empty()) text += FieldLine(named.key, value);
    }
    for (int number = 1; number <= kUserFieldCount; ++number) {
        const std::string& value = m_strUser[static_cast<size_t>(number - 1)];
        if (!value.empty()) text += FieldLine(UserFieldKey(number), value);
    }
    return text;
}

bool CTextFileHeader::Write(CFileString& file) const { return file.WriteText(HeaderText()); }

}  // namespace pv
