#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <poll.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "support/ChildProcess.h"
#include "support/TempDir.h"

namespace pv {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// The service manager's notification socket, as systemd would offer it.
class NotifySocket {
public:
    explicit NotifySocket(const std::string& path) : m_fd(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        bound = m_fd >= 0 && ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~NotifySocket() { ::close(m_fd); }
    // The next message, or empty when none came in time.
    std::string Receive(std::chrono::milliseconds limit) const {
        pollfd wait{m_fd, POLLIN, 0};
        if (::poll(&wait, 1, static_cast<int>(limit.count())) != 1) return {};
        char buffer[512];
        const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
        return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
    }
    bool bound = false;

private:
    int m_fd;
};

// Run as systemd runs the unit: it reports ready once it works, its status
// lines reach the journal with their priorities, and SIGTERM ends it
// cleanly with "stopping" said first.
TEST(SystemdRun, ReadyPrioritiesAndAStopBySigterm) {
    test::TempDir work;
    test::TempDir scratch;
    fs::create_directories(work.Path() / "Pressvane");
    fs::create_directories(work.Path() / "in");
    // The second route's input has a malformed credential part: a fatal
    // error in every pass, without any network.
    test::WriteWholeFile(work / "Pressvane/Pressvane.ini",
                         "[Pressvane]\r\nDelay=1\r\n[MoveFiles]\r\nIn0=" + work.Folder() + "in/\r\nOut0=" +
                             work.Folder() + "out/\r\nIn1=ftp://example.invalid/in|user\r\nOut1=" + work.Folder() +
                             "out/\r\n");
    NotifySocket manager(scratch / "notify");
    ASSERT_TRUE(manager.bound);
    const std::string output = scratch / "journal.txt";
    test::WriteWholeFile(output, "");
    struct stat info {};
    ASSERT_EQ(::stat(output.c_str(), &info), 0);

    test::ChildProcess child({PRESSVANE_BIN, "/PATH=" + work.Folder(), "/M"}, output,
                             {"NOTIFY_SOCKET=" + (scratch / "notify"),
                              "JOURNAL_STREAM=" + std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino)});
    const std::string ready = manager.Receive(30s);
    EXPECT_TRUE(ready.starts_with("READY=1\n")) << ready;
    ASSERT_TRUE(test::WaitForText(output, "Waiting.", 30s)) << test::ReadWholeFile(output);
    child.Signal(SIGTERM);
    EXPECT_EQ(manager.Receive(30s), "STOPPING=1");
    EXPECT_EQ(child.Wait(30s), 0);

    const std::string journal = test::ReadWholeFile(output);
    EXPECT_NE(journal.find("<3>FATAL ERROR!!!\n<3>Improperly formatted path: ftp://example.invalid/in"),
              std::string::npos)
        << journal;
    EXPECT_NE(journal.find("<6>Working folder: " + work.Folder() + "\n"), std::string::npos);
    std::istringstream lines(journal);
    for (std::string line; std::getline(lines, line);)
        EXPECT_TRUE(line.starts_with("<3>") || line.starts_with("<4>") || line.starts_with("<6>")) << line;
}

}  // namespace
}  // namespace pv
