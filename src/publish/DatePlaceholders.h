#pragma once
// Date placeholders in paths of the folder alias file: "[YYYY]" becomes the
// four-digit year, "[MM]" the month (01 to 12) and "[DD]" the day of the
// month (01 to 31).  They are matched with their case as shown: "[yyyy]"
// stays as it is.
#include <ctime>
#include <string>

namespace pv {

void FillDatePlaceholders(std::string& text, const std::tm& date);

}  // namespace pv
