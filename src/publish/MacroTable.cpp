#include "publish/MacroTable.h"

#include <array>

#include "notify/Product.h"
#include "platform/Guid.h"
#include "platform/Wildcard.h"
#include "publish/MacroPaths.h"
#include "publish/MacroTime.h"

namespace pv {

namespace {

using Inputs = MacroInputs;

const std::string kNone;
const CTextFileHeader kNoHeader;

const CTextFileHeader& Header(const Inputs& in) { return in.values.header ? *in.values.header : kNoHeader; }

const std::string& UserField(const Inputs& in, int index) {
    return in.values.descriptor ? in.values.descriptor->m_strUser[index] : kNone;
}

// Up to the first comma; the whole text when it has none or starts with one.
std::string FirstField(const std::string& text) {
    const size_t comma = text.find(',');
    return comma == std::string::npos || comma == 0 ? text : text.substr(0, comma);
}

std::string FileDate(const std::optional<std::time_t>& when, std::string (*form)(const std::tm&)) {
    std::tm local{};
    if (!when || !platform::Clock::LocalTime(*when, local)) return {};
    return form(local);
}

// characters 6 and 7 of "YYYY\MM"
std::string ArchiveMonth(const std::string& yearAndMonth) {
    return yearAndMonth.size() <= 5 ? std::string() : yearAndMonth.substr(5, 2);
}

std::string LinkLine(const Inputs& in, int line, bool low) {
    return in.values.linkLines ? ShownPath(in.values.linkLines->PublishedName(line, low)) : std::string();
}

std::string Descriptor(const Inputs& in, std::string CDatFile::*field) {
    return in.values.descriptor ? in.values.descriptor->*field : std::string();
}

#define PV_USER(n) \
    NamedMacro { "User" #n, false, [](const Inputs& in) { return UserField(in, n - 1); } }
#define PV_LINK(n, suffix, low) \
    NamedMacro { "FirstLine" #n "Filename" suffix, true, [](const Inputs& in) { return LinkLine(in, n, low); } }

const std::array kNamedMacros = {
    NamedMacro{"Slug", true, [](const Inputs& in) { return in.values.slug; }},
    NamedMacro{"Category", false, [](const Inputs& in) { return Header(in).m_strCategory; }},
    NamedMacro{"First Category", false, [](const Inputs& in) { return FirstField(Header(in).m_strCategory); }},
    NamedMacro{"Show", false, [](const Inputs& in) { return Header(in).m_strShow; }},
    NamedMacro{"Writer", false, [](const Inputs& in) { return Header(in).m_strWriter; }},
    NamedMacro{"CreationDate", false, [](const Inputs& in) { return Header(in).m_strDate; }},
    NamedMacro{"CreationTime", false, [](const Inputs& in) { return Header(in).m_strTime; }},
    NamedMacro{"FileCreationDate", false,
               [](const Inputs& in) { return FileDate(in.values.storyFileCreated, MonthDayYear); }},
    NamedMacro{"FileCreationTime", false,
               [](const Inputs& in) { return FileDate(in.values.storyFileCreated, HoursMinutesSeconds); }},
    NamedMacro{"ModificationDate", false,
               [](const Inputs& in) { return FileDate(in.values.storyFileModified, MonthDayYear); }},
    NamedMacro{"ModificationTime", false,
               [](const Inputs& in) { return FileDate(in.values.storyFileModified, HoursMinutesSeconds); }},
    NamedMacro{"RFC-2822 Date and Time", false, [](const Inputs& in) { return Rfc2822DateTime(in.now); }},
    NamedMacro{"WhoModified", false, [](const Inputs& in) { return Header(in).m_strWho; }},
    NamedMacro{"UserWhoArchived", false, [](const Inputs& in) { return Header(in).m_strWho; }},
    NamedMacro{"Keywords", false, [](const Inputs& in) { return Descriptor(in, &CDatFile::m_strKeywords); }},
    NamedMacro{"NextBroadcastFile", false, [](const Inputs& in) { return Header(in).m_strNext; }},
    NamedMacro{"TextFilename", true,
               [](const Inputs& in) { return NormaliseSeparators(ShownPath(in.values.outputFilename)); }},
    NamedMacro{"YearAndMonthArchived", false, [](const Inputs& in) { return in.values.archive.yearAndMonth; }},
    NamedMacro{"YearArchived", false, [](const Inputs& in) { return in.values.archive.yearAndMonth.substr(0, 4); }},
    NamedMacro{"MonthArchived", false, [](const Inputs& in) { return ArchiveMonth(in.values.archive.yearAndMonth); }},
    NamedMacro{"DayArchived", false, [](const Inputs& in) { return in.values.archive.day; }},
    NamedMacro{"DatabaseAliasArchivedTo", false, [](const Inputs& in) { return in.values.aliasName; }},
    NamedMacro{"StoragePath", true, [](const Inputs& in) { return ShownPath(in.values.storagePath); }},
    NamedMacro{"StorySummary", false, [](const Inputs& in) { return in.values.storySummary; }},
    NamedMacro{"UniqueFilePath", true,
               [](const Inputs& in) { return NormaliseSeparators(ShownPath(in.values.uniqueFilePath)); }},
    NamedMacro{"UniqueFilePathNoServer", true,
               [](const Inputs& in) { return RemoveServerPart(ShownPath(in.values.uniqueFilePath)); }},
    NamedMacro{"UniqueFilename", true, [](const Inputs& in) { return ShownPath(in.values.uniqueFilename); }},
    NamedMacro{"YYYY", true, [](const Inputs& in) { return FourDigits(in.now.tm_year + 1900); }},
    NamedMacro{"MM", true, [](const Inputs& in) { return TwoDigits(in.now.tm_mon + 1); }},
    NamedMacro{"DD", true, [](const Inputs& in) { return TwoDigits(in.now.tm_mday); }},
    NamedMacro{"HH", true, [](const Inputs& in) { return TwoDigits(in.now.tm_hour); }},
    NamedMacro{"MinuteMM", true, [](const Inputs& in) { return TwoDigits(in.now.tm_min); }},
    NamedMacro{"SS", true, [](const Inputs& in) { return TwoDigits(in.now.tm_sec); }},
    NamedMacro{"DateTimeYYYYMMDDTHHMMSS", true, [](const Inputs& in) { return CompactDateTime(in.now); }},
    NamedMacro{"DateTimeYYYY-MM-DDTHH:MM:SS", true, [](const Inputs& in) { return IsoDateTime(in.now); }},
    PV_LINK(1, "", false), PV_LINK(2, "", false), PV_LINK(3, "", false),
    PV_LINK(1, "Lo", true), PV_LINK(2, "Lo", true), PV_LINK(3, "Lo", true),
    NamedMacro{"Fernwick Version", false, [](const Inputs&) { return std::string(kVersionText); }},
    NamedMacro{"GUID", false, [](const Inputs&) { return platform::NewGuidText(); }},
    PV_USER(1), PV_USER(2), PV_USER(3), PV_USER(4), PV_USER(5), PV_USER(6), PV_USER(7), PV_USER(8), PV_USER(9),
    NamedMacro{"User1 First Field Only", false, [](const Inputs& in) { return FirstField(UserField(in, 0)); }},
};

#undef PV_USER
#undef PV_LINK

}  // namespace

const NamedMacro* FindNamedMacro(std::string_view name) {
    for (const NamedMacro& macro : kNamedMacros)
        if (platform::EqualsIgnoringCase(name, macro.name)) return &macro;
    return nullptr;
}

}  // namespace pv
