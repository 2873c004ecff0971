#pragma once
// The named macros of the templates: story header and descriptor fields,
// file and archive dates, the unique names, "now" in every form, the link
// lines, the version and GUID.  The macros with parameters ("Filename
// Chars") and the audio macros are the expander's.
#include <ctime>
#include <string>
#include <string_view>

#include "publish/MacroValues.h"

namespace pv {

struct MacroInputs {
    const MacroValues& values;
    const std::tm& now;  // local time of the expansion
};

struct NamedMacro {
    std::string_view name;
    // Raw values keep their apostrophes under "Use-Unicode-Conversions".
    bool raw;
    std::string (*value)(const MacroInputs&);
};

// The macro of that name (without regard to case), or null.
const NamedMacro* FindNamedMacro(std::string_view name);

}  // namespace pv
