#include "notify/WireMessages.h"

#include <cstdio>

#include "transport/FtpFile.h"
#include "transport/PathJoin.h"

namespace pv {

namespace {
constexpr int kMessageNumbers = 1000;
}

WireMessages::WireMessages(FileAccess& files, Reporter& reporter, std::string workingFolder,
                           std::atomic<bool>* fatalFlag)
    : m_files(files), m_reporter(reporter), m_workingFolder(std::move(workingFolder)), m_fatalFlag(fatalFlag) {}

std::string WireMessages::DropFolder() const { return JoinPath(m_workingFolder, "PINWELL\\"); }

std::string WireMessages::MessagePath(int number) const {
    char name[16];
    std::snprintf(name, sizeof name, "Pvane%03u.txt", static_cast<unsigned>(number));
    return DropFolder() + name;
}

// A number whose file the wire browser has not taken yet is skipped, so an
// unread message is never overwritten.  -1 when all thousand are waiting.
int WireMessages::NextFreeNumber() {
    CFTPFile probe(m_files);
    for (int tried = 0; tried < kMessageNumbers; ++tried) {
        const int number = (m_counter + tried) % kMessageNumbers;
        if (probe.ExistState(MessagePath(number)) == platform::Existence::absent) return number;
    }
    return -1;
}

bool WireMessages::WriteMessage(const std::string& header, const std::string& text) {
    const int number = NextFreeNumber();
    if (number < 0) {
        m_reporter.Status("The wire browser folder " + DropFolder() + " holds 1000 unread messages; message not written.", true);
        return false;
    }
    CFTPFile file(m_files);
    const unsigned mode = platform::File::modeCreate | platform::File::modeWrite | platform::File::shareDenyNone;
    if (!file.Open(MessagePath(number), mode)) {
        CFTPFile maker(m_files);
        maker.mkdir(DropFolder());
        if (!file.Open(MessagePath(number), mode)) return false;
    }
    m_counter = (number + 1) % kMessageNumbers;
    if (!header.empty()) file.WriteText(header + "\n");
    file.WriteText(text);
    return file.Close();
}

void WireMessages::PostFatalError(const CDirOptions* route, const std::string& slug, const std::string& text) {
    m_reporter.Report(FatalError{text});
    if (m_fatalFlag) *m_fatalFlag = true;
    if (!route || !route->m_bPostFatalErrorsToPinwell) return;
    WriteMessage(slug + " z z", text);
}

}  // namespace pv
