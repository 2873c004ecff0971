// FTP control replies: the input is everything a server says on the control
// connection (a local socket), read by a real client through a logon and a
// few more commands; every reply line also goes through the PASV decoder.
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <thread>

#include "FuzzSupport.h"
#include "notify/StatusPrinter.h"
#include "platform/Reporter.h"
#include "transport/FtpClient.h"
#include "transport/FtpListing.h"

namespace {

constexpr const char* kPassword = "pw-7f3a9c";
constexpr const char* kFirewallPassword = "fw-0b52e1";

// Trace lines must never show a password the server did not send itself.
class LeakCheck final : public pv::Reporter {
public:
    explicit LeakCheck(std::string_view input)
        : m_mayShow(input.find(kPassword) != std::string_view::npos ||
                    input.find(kFirewallPassword) != std::string_view::npos) {}
    void Report(const pv::ProgressEvent& event) override { Check(pv::StatusPrinter().Print(event, 0).text); }
    void Trace(const std::string& text) override { Check(text); }

private:
    void Check(const std::string& text) const {
        if (m_mayShow) return;
        PV_FUZZ_CHECK(text.find(kPassword) == std::string::npos);
        PV_FUZZ_CHECK(text.find(kFirewallPassword) == std::string::npos);
    }
    bool m_mayShow;
};

// A listening socket on 127.0.0.1; returns its port.
int Listener(uint16_t& port) {
    static int fd = -1;
    static uint16_t listenPort = 0;
    if (fd < 0) {
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        PV_FUZZ_CHECK(fd >= 0);
        PV_FUZZ_CHECK(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0);
        PV_FUZZ_CHECK(::listen(fd, 4) == 0);
        PV_FUZZ_CHECK(::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0);
        listenPort = ntohs(address.sin_port);
    }
    port = listenPort;
    return fd;
}

// One server session: says the input, ends its side, reads until the client
// has closed.
void Serve(int listener, std::string_view said) {
    pollfd wait{listener, POLLIN, 0};
    if (::poll(&wait, 1, 5000) != 1) return;
    const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;
    for (size_t done = 0; done < said.size();) {
        const ssize_t n = ::send(fd, said.data() + done, said.size() - done, MSG_NOSIGNAL);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    ::shutdown(fd, SHUT_WR);
    char sink[4096];
    while (::recv(fd, sink, sizeof sink, 0) > 0) {
    }
    ::close(fd);
}

void CheckReply(const pv::CFtpClient& client) {
    const std::string& reply = client.m_strRetMsg;
    // A multi-line reply is read to its last line.
    PV_FUZZ_CHECK(!(reply.size() > 3 && reply[3] == '-'));
    uint32_t address = 0;
    uint16_t port = 0;
    pv::DecodePassiveReply(reply, address, port);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view said = pv::fuzz::AsText(data, size);
    uint32_t address = 0;
    uint16_t port = 0;
    pv::DecodePassiveReply(std::string(said), address, port);

    uint16_t listenPort = 0;
    const int listener = Listener(listenPort);
    std::thread server(Serve, listener, said);
    {
        LeakCheck reporter(said);
        pv::FtpClientSettings settings;
        settings.traceClient = settings.logLogons = true;
        settings.timeout = std::chrono::seconds(5);
        pv::FtpListingTable listings;
        pv::CFtpClient client(reporter, settings, listings);
        const int logonType = static_cast<int>(size % 9);
        client.LogOnToServer("127.0.0.1", listenPort, "editor", kPassword, "acct", "127.0.0.1", "fwuser",
                             kFirewallPassword, listenPort, logonType);
        CheckReply(client);
        for (int i = 0; i < 4 && client.IsLoggedOn(); ++i) {
            client.SendCommand("NOOP", 2);
            CheckReply(client);
        }
        client.Quit();
    }
    server.join();
    return 0;
}
