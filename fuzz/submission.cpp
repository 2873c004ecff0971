// The submission descriptor: the input is a ".dat" file.  It always reads
// (a short or odd file is no error); no field holds a line end, the slug
// holds none of the marks it is cleaned of and no white space at its ends,
// cleaning it again changes nothing, and the command is one of the five.
#include <string>

#include "FuzzSupport.h"
#include "platform/Clock.h"
#include "platform/Reporter.h"
#include "publish/DatFile.h"

namespace {

bool HasLineEnd(const std::string& text) { return text.find_first_of("\r\n") != std::string::npos; }

bool IsAsciiSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

void CheckSlug(const std::string& slug) {
    PV_FUZZ_CHECK(slug.find_first_of(pv::CDatFile::kSlugMarks) == std::string::npos);
    PV_FUZZ_CHECK(slug.empty() || (!IsAsciiSpace(slug.front()) && !IsAsciiSpace(slug.back())));
    PV_FUZZ_CHECK(pv::CleanSlug(slug) == slug);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static pv::NullReporter reporter;
    static pv::FileAccess access(reporter, pv::platform::DefaultClock());
    const std::string_view text = pv::fuzz::AsText(data, size);
    const std::string path = pv::fuzz::Scratch() / "story.dat";
    pv::fuzz::WriteWholeFile(path, text);

    static const pv::Location location = pv::Location::Parse(path);
    pv::CDatFile descriptor;
    PV_FUZZ_CHECK(descriptor.Read(access, location).ok());
    for (const std::string* field : {&descriptor.m_strLine1, &descriptor.m_strLine2, &descriptor.m_strSlug,
                                     &descriptor.m_strLine5, &descriptor.m_strAlias, &descriptor.m_strKeywords})
        PV_FUZZ_CHECK(!HasLineEnd(*field));
    for (const std::string& user : descriptor.m_strUser) PV_FUZZ_CHECK(!HasLineEnd(user));
    PV_FUZZ_CHECK(descriptor.m_nCommand >= pv::kCmdAdd && descriptor.m_nCommand <= pv::kCmdAddUnique);
    CheckSlug(descriptor.m_strSlug);
    CheckSlug(pv::CleanSlug(text));
    return 0;
}
