// The story header: the input is a story text.  Its header is read through
// the service's file object (and, for text without carriage returns, through
// the plain line file too, which must agree); the file must stand at the
// first body line.  The header read is written out and must read back the
// same; so must a header whose field values are cut from the input bytes,
// with every line end in a value turned into a blank.
#include <array>
#include <optional>
#include <string>
#include <utility>

#include "FuzzSupport.h"
#include "config/StoryCommand.h"
#include "platform/Clock.h"
#include "platform/Reporter.h"
#include "publish/TextFileHeader.h"
#include "transport/FtpFile.h"

namespace {

using pv::CTextFileHeader;
using pv::platform::File;

constexpr unsigned kReadMode = File::modeRead | File::shareDenyNone;
constexpr unsigned kWriteMode = File::modeWrite | File::modeCreate;

pv::FileAccess& Access() {
    static pv::NullReporter reporter;
    static pv::FileAccess access(reporter, pv::platform::DefaultClock());
    return access;
}

std::string RestOf(pv::CFileString& file) {
    std::string rest;
    char block[4096];
    for (int64_t n; (n = file.Read(block, sizeof block)) > 0;) rest.append(block, static_cast<size_t>(n));
    return rest;
}

// Every text field of a header, in a fixed order.
template <typename Header>
std::array<decltype(&std::declval<Header&>().m_strSlug), 21> Fields(Header& h) {
    return {&h.m_strSlug,  &h.m_strCategory, &h.m_strWho,     &h.m_strWriter,  &h.m_strDate,   &h.m_strShow,
            &h.m_strTime,  &h.m_strNext,     &h.m_strOwner,   &h.m_strLuse,    &h.m_strTuse,   &h.m_strCommand,
            &h.m_strUser[0], &h.m_strUser[1], &h.m_strUser[2], &h.m_strUser[3], &h.m_strUser[4], &h.m_strUser[5],
            &h.m_strUser[6], &h.m_strUser[7], &h.m_strUser[8]};
}

bool SameFields(const CTextFileHeader& a, const CTextFileHeader& b) {
    const auto left = Fields(a), right = Fields(b);
    for (size_t i = 0; i < left.size(); ++i)
        if (*left[i] != *right[i]) return false;
    return a.m_nCommand == b.m_nCommand;
}

// What a value is written as: each run of line-end bytes one blank.
std::string AsWritten(std::string_view value) {
    std::string out;
    bool inLineEnd = false;
    for (const char c : value) {
        const bool lineEnd = c == '\r' || c == '\n';
        if (!lineEnd) out += c;
        else if (!inLineEnd) out += ' ';
        inLineEnd = lineEnd;
    }
    return out;
}

// Whether the file has a header; a file we wrote always reads.
bool ReadHeader(pv::CFileString& file, const std::string& path, CTextFileHeader& header, std::string& rest) {
    PV_FUZZ_CHECK(file.Open(path, kReadMode));
    PV_FUZZ_CHECK(header.Read(file).ok());
    rest = RestOf(file);
    file.Close();
    return header.Found();
}

void WriteHeader(const CTextFileHeader& header, const std::string& path) {
    pv::CFTPFile file(Access());
    PV_FUZZ_CHECK(file.Open(path, kWriteMode));
    PV_FUZZ_CHECK(header.Write(file));
    PV_FUZZ_CHECK(file.Close());
}

void CheckWrittenReadsBack(const CTextFileHeader& written, const std::string& path) {
    WriteHeader(written, path);
    pv::CFTPFile file(Access());
    CTextFileHeader read;
    std::string rest;
    PV_FUZZ_CHECK(ReadHeader(file, path, read, rest));
    PV_FUZZ_CHECK(rest.empty() && read.m_otherFields.empty());
    CTextFileHeader expected;
    const auto from = Fields(written);
    const auto to = Fields(expected);
    for (size_t i = 0; i < from.size(); ++i) *to[i] = AsWritten(*from[i]);
    const std::optional<pv::StoryCommand> command = pv::StoryCommandFromWord(expected.m_strCommand);
    expected.m_nCommand = command ? *command : pv::kNoStoryCommand;
    PV_FUZZ_CHECK(SameFields(read, expected));
}

// A header whose values are the input cut into pieces at "|".
CTextFileHeader HeaderFromPieces(std::string_view text) {
    CTextFileHeader header;
    const auto fields = Fields(header);
    for (size_t i = 0; i < fields.size() && !text.empty(); ++i) {
        const size_t bar = text.find('|');
        *fields[i] = std::string(text.substr(0, bar));
        text = bar == std::string_view::npos ? std::string_view() : text.substr(bar + 1);
    }
    return header;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text = pv::fuzz::AsText(data, size);
    const std::string path = pv::fuzz::Scratch() / "story.txt";
    pv::fuzz::WriteWholeFile(path, text);

    pv::CFTPFile file(Access());
    CTextFileHeader header;
    std::string body;
    const bool found = ReadHeader(file, path, header, body);
    if (!found) PV_FUZZ_CHECK(body == text);
    else PV_FUZZ_CHECK(text.starts_with(CTextFileHeader::kMagicLine) && text.ends_with(body) && body.size() < size);

    if (text.find('\r') == std::string_view::npos) {
        pv::CFileString plain;
        CTextFileHeader plainHeader;
        std::string plainBody;
        PV_FUZZ_CHECK(ReadHeader(plain, path, plainHeader, plainBody) == found);
        PV_FUZZ_CHECK(SameFields(plainHeader, header) && plainHeader.m_otherFields == header.m_otherFields);
        PV_FUZZ_CHECK(plainBody == body);
    }

    const std::string copy = pv::fuzz::Scratch() / "written.txt";
    if (found) CheckWrittenReadsBack(header, copy);
    CheckWrittenReadsBack(HeaderFromPieces(text), copy);
    return 0;
}
