#include "publish/DatFile.h"

#include <limits>
#include <optional>

#include "transport/FtpFile.h"

namespace pv {

namespace {

constexpr unsigned kOpenMode = platform::File::modeRead | platform::File::shareDenyWrite | platform::File::typeText;

bool IsAsciiSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

std::string_view TrimAsciiSpace(std::string_view text) {
    while (!text.empty() && IsAsciiSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsAsciiSpace(text.back())) text.remove_suffix(1);
    return text;
}

// The usual decimal rule: white space skipped, an optional sign, the digits up
// to the first other byte; no digits give 0.  Too large a number is held at
// the nearest value a 64-bit number can take.
int64_t LeadingInteger(std::string_view text) {
    while (!text.empty() && IsAsciiSpace(text.front())) text.remove_prefix(1);
    const bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
    constexpr int64_t kLimit = std::numeric_limits<int64_t>::max();
    int64_t magnitude = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') break;
        const int digit = c - '0';
        if (magnitude > (kLimit - digit) / 10) return negative ? std::numeric_limits<int64_t>::min() : kLimit;
        magnitude = magnitude * 10 + digit;
    }
    return negative ? -magnitude : magnitude;
}

// LeadingInteger held to the range of an int.
int LeadingIntegerAsInt(std::string_view text) {
    const int64_t value = LeadingInteger(text);
    if (value > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    if (value < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

std::string FailureText(const Location& path) {
    return "Unable to read the submission descriptor " + path.Display() + ".";
}

// The next line, or an empty text past the end of the file.
std::string NextLine(CFileString& file) {
    std::string line;
    file.ReadLine(line);
    return line;
}

}  // namespace

std::string CleanSlug(std::string_view line) {
    const size_t firstKept = line.find_first_not_of(CDatFile::kSlugMarks);
    std::string slug(firstKept == std::string_view::npos ? std::string_view() : line.substr(firstKept));
    for (char& c : slug)
        if (CDatFile::kSlugMarks.find(c) != std::string_view::npos) c = '-';
    return std::string(TrimAsciiSpace(slug));
}

void CDatFile::Clear() {
    m_strLine1.clear();
    m_strLine2.clear();
    m_strSlug.clear();
    m_strLine5.clear();
    m_strAlias.clear();
    m_nLine8 = m_nLine9 = m_nSenderNumber = m_nLine12 = 0;
    m_nTime = 0;
    m_strKeywords.clear();
    m_nCommand = kCmdAdd;
    for (std::string& user : m_strUser) user.clear();
}

Status CDatFile::Read(FileAccess& access, const Location& path) {
    Clear();
    if (!path.Problem().ok()) return Status::InvalidArgument(FailureText(path)).WithDetail(path.Problem().message());
    CFTPFile file(access);
    std::string openError;
    if (!file.Open(path, kOpenMode, &openError))
        return Status::IoError(FailureText(path)).WithDetail(openError.empty() ? file.ErrorText() : openError);
    ReadLines(file);
    const bool readFailed = file.ReadFailed();
    file.Close();  // read only: nothing to lose
    if (!readFailed) return Status::OK();
    Clear();  // nothing of a cut file is used
    return Status::IoError(FailureText(path)).WithDetail("A read of the file failed.");
}

void CDatFile::ReadLines(CFileString& file) {
    m_strLine1 = NextLine(file);
    m_strLine2 = NextLine(file);
    m_strSlug = CleanSlug(NextLine(file));
    NextLine(file);
    m_strLine5 = NextLine(file);
    m_strAlias = NextLine(file);
    NextLine(file);
    m_nLine8 = LeadingIntegerAsInt(NextLine(file));
    m_nLine9 = LeadingIntegerAsInt(NextLine(file));
    m_nTime = LeadingInteger(NextLine(file));
    m_nSenderNumber = LeadingIntegerAsInt(NextLine(file));
    m_nLine12 = LeadingIntegerAsInt(NextLine(file));
    m_strKeywords = NextLine(file);
    m_nCommand = StoryCommandFromWord(NextLine(file)).value_or(kCmdAdd);
    for (std::string& user : m_strUser) user = NextLine(file);
}

}  // namespace pv
