// The texts a story and its audio cuts bring into the archive database: the
// input is a header date, time or tag text, and also text as it comes back
// from the database.  Dates and times come out as ISO 8601 of real days and
// times, or as no value; Windows-1252 text survives the trip to UTF-8 and
// back unchanged, and whatever UTF-8 comes back is one byte per character.
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "publish/ArchiveValues.h"
#include "transport/Windows1252.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int Number(std::string_view text, size_t at, size_t length) {
    int value = 0;
    for (size_t i = at; i < at + length; ++i) value = value * 10 + (text[i] - '0');
    return value;
}

// "YYYY-MM-DD" of a day that exists.
void CheckDate(const pv::ArchiveFieldValue& date) {
    if (!date.value) return;
    PV_FUZZ_CHECK(!date.invalid);
    const std::string& iso = *date.value;
    PV_FUZZ_CHECK(iso.size() == 10 && iso[4] == '-' && iso[7] == '-');
    for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) PV_FUZZ_CHECK(IsDigit(iso[i]));
    const int year = Number(iso, 0, 4), month = Number(iso, 5, 2), day = Number(iso, 8, 2);
    PV_FUZZ_CHECK(year >= 100 && month >= 1 && month <= 12 && day >= 1 && day <= 31);
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (month == 2) PV_FUZZ_CHECK(day <= (leap ? 29 : 28));
    if (month == 4 || month == 6 || month == 9 || month == 11) PV_FUZZ_CHECK(day <= 30);
}

// "HH:MM:SS", with ".mmm" where milliseconds are allowed.
void CheckTime(const pv::FieldText& time, bool milliseconds) {
    if (!time) return;
    const std::string& iso = *time;
    PV_FUZZ_CHECK(iso.size() == (milliseconds ? 12u : 8u) && iso[2] == ':' && iso[5] == ':');
    for (size_t i : {0, 1, 3, 4, 6, 7}) PV_FUZZ_CHECK(IsDigit(iso[i]));
    PV_FUZZ_CHECK(Number(iso, 0, 2) <= 23 && Number(iso, 3, 2) <= 59 && Number(iso, 6, 2) <= 59);
    if (milliseconds) PV_FUZZ_CHECK(iso[8] == '.' && IsDigit(iso[9]) && IsDigit(iso[10]) && IsDigit(iso[11]));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text = pv::fuzz::AsText(data, size);

    CheckDate(pv::ArchiveDate(text));
    const pv::ArchiveFieldValue time = pv::ArchiveTime(text);
    PV_FUZZ_CHECK(!(time.invalid && time.value));
    CheckTime(time.value, false);
    CheckTime(pv::ArchiveCreationTime(text).value, false);
    CheckTime(pv::ArchiveCueTime(pv::ArchiveInteger(text)), true);

    const std::string utf8 = pv::Utf8FromWindows1252(text);
    PV_FUZZ_CHECK(pv::Windows1252FromUtf8(utf8) == text);
    const std::string back = pv::Windows1252FromUtf8(text);
    PV_FUZZ_CHECK(back.size() <= text.size());
    PV_FUZZ_CHECK(pv::Windows1252FromUtf8(pv::Utf8FromWindows1252(back)) == back);
    return 0;
}
