// A vsftpd on a free loopback port for bench/relay/run: prints
//   PORT <n> USER <u> PASS <p> ROOT <folder>
// on one line, then serves until its standard input closes, and stops it.
// Needs root (vsftpd logs in a system account).
#include <unistd.h>

#include <cstdio>
#include <exception>

#include "support/FtpServers.h"

int main() {
    try {
        pv::test::VsftpdServer server;
        std::printf("PORT %d USER %s PASS %s ROOT %s\n", server.Port(), server.User().c_str(),
                    server.Password().c_str(), server.Root().string().c_str());
        std::fflush(stdout);
        char buffer[256];
        for (;;) {
            const ssize_t n = ::read(0, buffer, sizeof buffer);
            if (n == 0 || (n < 0 && errno != EINTR)) break;
        }
        server.Stop();
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "relay_ftp_server: %s\n", e.what());
        return 1;
    }
}
