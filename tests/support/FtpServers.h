#pragma once
// FTP servers for the FTP client's tests, started and stopped by the tests on
// free ports of 127.0.0.1:
//   PyFtpServer        pyftpdlib, user "editor" / "s3cret" (LIST does not expand wildcards);
//                      on request folders with fewer permissions and files whose
//                      deletion is answered but not done
//   VsftpdServer       vsftpd with a local system account (LIST expands wildcards; needs root)
//   PureFtpdServer     pure-ftpd with a virtual user of its own (LIST reads its argument as ls
//                      reads a command line: a blank splits it; needs root)
//   ScriptedFtpServer  our own server that plays a script, for faults real servers never show
// A constructor that cannot start its server throws std::runtime_error with the
// tail of the server's output.  Stop() ends the server (the destructor does too).
#include <chrono>
#include <filesystem>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

#include "support/TempDir.h"

namespace pv::test {

// A server process in its own process group, stdout and stderr to a log file.
class ServerProcess {
public:
    ServerProcess() = default;
    ~ServerProcess() { Stop(); }
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    // Throws when the program cannot be started.
    void Start(const std::vector<std::string>& argv, const std::string& logFile);
    // Waits for a line "PORT <n>" in the log; throws when the process ends first or
    // the limit passes.
    int WaitForPortLine(std::chrono::milliseconds limit);
    bool Running();
    // SIGTERM to the group, up to 5 s for it to end, then SIGKILL.
    void Stop();
    std::string LogTail(size_t bytes = 3000) const;

private:
    pid_t m_pid = -1;
    std::string m_log;
};

class PyFtpServer {
public:
    struct Options {
        // Folders of Root() (made when missing) where the user has only the
        // given permissions, in pyftpdlib's letters: {"Locked", "elr"} lets
        // the user list and read there, but not store, delete or rename.
        std::vector<std::pair<std::string, std::string>> folderPermissions;
        // File names the server is slow to let go of: DELE answers "250" and
        // the file stays (a test removes it from Root() when it pleases).
        std::vector<std::string> lingeringNames;
    };

    PyFtpServer() : PyFtpServer(Options{}) {}
    explicit PyFtpServer(const Options& options);
    ~PyFtpServer() { Stop(); }
    PyFtpServer(const PyFtpServer&) = delete;
    PyFtpServer& operator=(const PyFtpServer&) = delete;

    std::string Host() const { return "127.0.0.1"; }
    int Port() const { return m_port; }
    std::string User() const { return "editor"; }
    std::string Password() const { return "s3cret"; }
    // The folder the user sees as "/".
    const std::filesystem::path& Root() const { return m_root; }
    std::string Log() const { return m_process.LogTail(100000); }
    void Stop() { m_process.Stop(); }

private:
    TempDir m_dir;
    std::filesystem::path m_root;
    ServerProcess m_process;
    int m_port = 0;
};

// A system FTP server on a free loopback port, serving a root folder of its
// own, started by the constructor (which throws when it cannot start).
class RootedFtpServer {
public:
    virtual ~RootedFtpServer() { Stop(); }
    RootedFtpServer(const RootedFtpServer&) = delete;
    RootedFtpServer& operator=(const RootedFtpServer&) = delete;

    std::string Host() const { return "127.0.0.1"; }
    int Port() const { return m_port; }
    // The folder the user sees as "/" (the session is chrooted into it).
    const std::filesystem::path& Root() const { return m_root; }
    void Stop() { m_process.Stop(); }

protected:
    RootedFtpServer() : m_root(m_dir.Path() / "root") {}

    TempDir m_dir;
    std::filesystem::path m_root;
    ServerProcess m_process;
    int m_port = 0;
};

class VsftpdServer : public RootedFtpServer {
public:
    VsftpdServer();
    std::string User() const;
    std::string Password() const;
    // Gives everything under Root() to the FTP user, so that it may change what a
    // test (running as root) put there.
    void HandRootToUser() const;
    // The server's output and its protocol log.
    std::string Log() const;
};

class PureFtpdServer : public RootedFtpServer {
public:
    PureFtpdServer();
    std::string User() const;
    std::string Password() const;
    // Gives everything under Root() to the system account the FTP user works as,
    // so that it may change what a test (running as root) put there.
    void HandRootToUser() const;
    // The server's output and its transfer log.
    std::string Log() const;
};

class ScriptedFtpServer {
public:
    // One step of the script; see tests/support/ftp/scripted_ftp_server.py for what
    // each does.  Texts are bytes, sent and compared exactly (write "\r\n" yourself).
    struct Step {
        std::string json;  // one JSON object

        static Step Send(const std::string& text);
        static Step SendSplit(const std::vector<std::string>& parts, int pauseMs = 100);
        // Reads one command, which must start with prefix (ASCII case ignored), then
        // sends reply when it is not empty.
        static Step Expect(const std::string& prefix, const std::string& reply = {});
        // Opens a data listener and sends text with {p1}, {p2}, {port} filled in.
        static Step PasvReply(const std::string& text = "227 Entering Passive Mode (127,0,0,1,{p1},{p2})\r\n");
        enum class Then { Close, Stall, Reset };
        // Accepts the data connection, sends bytes (repeat times), then closes it,
        // leaves it open and silent, or resets it.
        static Step DataSend(const std::string& bytes, Then then = Then::Close, int repeat = 1);
        // Sends only the first count bytes of bytes × repeat, then closes.
        static Step DataSendCloseEarly(const std::string& bytes, size_t count, int repeat = 1);
        static Step DataReceive();
        static Step Sleep(int ms);
        static Step Close();
        static Step Accept();
        static Step ExpectClose();
        // Adds "timeout_ms" to a step that waits (default 20 s).
        Step WithTimeout(int ms) const;
    };
    // Greeting "220 Ready", USER → 331, PASS → 230.
    static std::vector<Step> LoginSteps();

    explicit ScriptedFtpServer(const std::vector<Step>& steps);
    // The script as JSON text (a list of step objects).
    explicit ScriptedFtpServer(const std::string& jsonScript);
    ~ScriptedFtpServer() { Stop(); }
    ScriptedFtpServer(const ScriptedFtpServer&) = delete;
    ScriptedFtpServer& operator=(const ScriptedFtpServer&) = delete;

    std::string Host() const { return "127.0.0.1"; }
    int Port() const { return m_port; }
    // Every command line received so far, without line ends.
    std::vector<std::string> ReceivedCommands() const;
    // The bytes of the index-th DataReceive step (empty until it has finished).
    std::string ReceivedData(size_t index = 0) const;
    // True once the script has run to its end; false when it stopped on an error
    // (see Error()) or the limit passed.
    bool WaitDone(std::chrono::milliseconds limit) const;
    // Why the script stopped early; empty when it has not.
    std::string Error() const;
    std::string Log() const { return m_process.LogTail(100000); }
    void Stop() { m_process.Stop(); }

private:
    TempDir m_dir;
    ServerProcess m_process;
    int m_port = 0;
};

// A plain TCP connection to 127.0.0.1:port; -1 when refused.
int ConnectLoopback(int port);

// JSON string literal (with quotes) for bytes: each byte is one character 0-255.
std::string JsonBytes(const std::string& bytes);

}  // namespace pv::test
