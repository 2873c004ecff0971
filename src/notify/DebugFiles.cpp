#include "notify/DebugFiles.h"

#include "notify/TextLines.h"
#include "notify/TimeStamp.h"
#include "platform/File.h"

namespace pv {

std::string DebugFiles::Write(const std::string& text) {
    const std::string name = m_folder + FormatLocalTime(m_clock.NowSeconds(), "Debug %m-%d-%Y %H_%M_%S.txt");
    platform::File file;
    if (!file.Open(name, platform::File::modeWrite | platform::File::modeCreate)) return {};
    file.Write(ReplaceAll(text, "\n", "\r\n"));
    return file.Close() ? name : std::string();
}

}  // namespace pv
