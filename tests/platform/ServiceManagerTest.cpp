#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "platform/ServiceManager.h"
#include "support/TempDir.h"

namespace pv::platform {
namespace {

// Sets an environment variable for one test (or takes it away) and puts the
// old value back.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = old;
        if (value) ::setenv(name, value, 1);
        else ::unsetenv(name);
    }
    ~ScopedVariable() {
        if (m_old) ::setenv(m_name, m_old->c_str(), 1);
        else ::unsetenv(m_name);
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

// A datagram socket where the service manager would listen: a file, or an
// abstract name when `name` starts with '@'.
class ManagerSocket {
public:
    explicit ManagerSocket(const std::string& name) : m_fd(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, name.data(), name.size());
        if (name[0] == '@') address.sun_path[0] = '\0';
        const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size());
        bound = m_fd >= 0 && ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), length) == 0;
    }
    ~ManagerSocket() { ::close(m_fd); }
    std::string Receive() const {
        char buffer[256];
        const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT);
        return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
    }
    bool bound = false;

private:
    int m_fd;
};

TEST(ServiceManager, TellsTheManagerThroughAFileOrAnAbstractSocket) {
    test::TempDir dir;
    for (const std::string& name : {dir / "notify", "@pressvane-notify-test-" + std::to_string(::getpid())}) {
        ManagerSocket manager(name);
        ASSERT_TRUE(manager.bound) << name;
        ScopedVariable socket("NOTIFY_SOCKET", name.c_str());
        EXPECT_TRUE(NotifyServiceManager("READY=1\nSTATUS=Working folder /srv/news/")) << name;
        EXPECT_EQ(manager.Receive(), "READY=1\nSTATUS=Working folder /srv/news/") << name;
    }
}

TEST(ServiceManager, WithoutAManagerNothingIsSent) {
    test::TempDir dir;
    for (const char* name : {static_cast<const char*>(nullptr), "", "relative/notify", "@", "/"}) {
        ScopedVariable socket("NOTIFY_SOCKET", name);
        EXPECT_FALSE(NotifyServiceManager("READY=1")) << (name ? name : "(unset)");
    }
    const std::string absent = dir / "nobody-listens";
    ScopedVariable socket("NOTIFY_SOCKET", absent.c_str());
    EXPECT_FALSE(NotifyServiceManager("READY=1"));
}

TEST(ServiceManager, KnowsTheJournalStreamByDeviceAndInode) {
    std::FILE* stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    struct stat info {};
    ASSERT_EQ(::fstat(::fileno(stream), &info), 0);
    const std::string device = std::to_string(info.st_dev);
    const struct {
        std::optional<std::string> value;
        bool journal;
    } cases[] = {
        {device + ":" + std::to_string(info.st_ino), true},
        {device + ":" + std::to_string(info.st_ino + 1), false},
        {std::to_string(info.st_dev + 1) + ":" + std::to_string(info.st_ino), false},
        {"", false},
        {"journal", false},
        {std::nullopt, false},
    };
    for (const auto& c : cases) {
        ScopedVariable variable("JOURNAL_STREAM", c.value ? c.value->c_str() : nullptr);
        EXPECT_EQ(IsJournalStream(::fileno(stream)), c.journal) << c.value.value_or("(unset)");
    }
    std::fclose(stream);
}

}  // namespace
}  // namespace pv::platform
