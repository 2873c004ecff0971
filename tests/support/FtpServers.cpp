#include "support/FtpServers.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace pv::test {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

const std::string kPython = "/usr/bin/python3";

// The server scripts live in the source tree.  PRESSVANE_SOURCE_DIR is defined
// for the test programs; when this library is built without it, the folder is
// found from this file's own (absolute) path.
std::string ScriptPath(const std::string& name) {
#ifdef PRESSVANE_SOURCE_DIR
    return std::string(PRESSVANE_SOURCE_DIR) + "/tests/support/ftp/" + name;
#else
    return (fs::path(__FILE__).parent_path() / "ftp" / name).string();
#endif
}

// Runs a program to its end (no shell); stdin from inputFile when given, output
// appended to logFile.  Returns the exit code, -1 when it could not run.
int RunProgram(const std::vector<std::string>& argv, const std::string& logFile,
               const std::string& inputFile = {}) {
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, inputFile.empty() ? "/dev/null" : inputFile.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return -1;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}


// Connects and reads the first reply line; empty when that fails within the limit.
std::string ReadGreeting(int port, std::chrono::milliseconds limit) {
    const int fd = ConnectLoopback(port);
    if (fd < 0) return {};
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (text.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left <= 0ms) break;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
        char buffer[512];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        text.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    const auto end = text.find('\n');
    return end == std::string::npos ? std::string() : text.substr(0, end);
}

// The first greeting line of a server just started on port; empty when the
// process ended or nothing answered in time.
std::string AwaitGreeting(ServerProcess& process, int port) {
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    std::string greeting;
    while (greeting.empty() && process.Running() && std::chrono::steady_clock::now() < deadline) {
        greeting = ReadGreeting(port, 2s);
        if (greeting.empty()) std::this_thread::sleep_for(20ms);
    }
    return greeting;
}

// A port that was free a moment ago (for a server that cannot be told to pick one).
int PickFreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("cannot pick a free loopback port");
    ::close(fd);
    return ntohs(address.sin_port);
}

std::string RandomToken() {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%d-%lld", static_cast<int>(::getpid()),
                  static_cast<long long>(std::chrono::steady_clock::now().time_since_epoch().count()));
    return buffer;
}

// Passive data ports for the real servers: below Linux's ephemeral range, so
// they do not meet the ports the kernel hands out; both servers pick at random
// in the range and try another when one is busy.
constexpr int kPassiveFirst = 20000;
constexpr int kPassiveLast = 32000;

}  // namespace

// ---------------------------------------------------------------------------
// ServerProcess

void ServerProcess::Start(const std::vector<std::string>& argv, const std::string& logFile) {
    Stop();
    m_log = logFile;
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setpgroup(&attributes, 0);  // its own group, so Stop reaches its children
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    const int rc = posix_spawn(&m_pid, args[0], &actions, &attributes, args.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        m_pid = -1;
        throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(rc));
    }
}

int ServerProcess::WaitForPortLine(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const std::string text = ReadWholeFile(m_log);
        for (size_t at = 0; (at = text.find("PORT ", at)) != std::string::npos; at += 5) {
            if (at != 0 && text[at - 1] != '\n') continue;
            const auto end = text.find('\n', at);
            if (end == std::string::npos) break;
            return std::stoi(text.substr(at + 5, end - at - 5));
        }
        if (!Running()) throw std::runtime_error("the server ended before it was ready:\n" + LogTail());
        if (std::chrono::steady_clock::now() > deadline) {
            Stop();
            throw std::runtime_error("the server was not ready in time:\n" + LogTail());
        }
        std::this_thread::sleep_for(20ms);
    }
}

bool ServerProcess::Running() {
    if (m_pid <= 0) return false;
    int status = 0;
    if (::waitpid(m_pid, &status, WNOHANG) == 0) return true;
    // Ended: whatever it left in its group goes too.
    ::kill(-m_pid, SIGKILL);
    m_pid = -1;
    return false;
}

void ServerProcess::Stop() {
    if (m_pid <= 0) return;
    ::kill(-m_pid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    int status = 0;
    pid_t ended = 0;
    while ((ended = ::waitpid(m_pid, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(10ms);
    ::kill(-m_pid, SIGKILL);  // the leader if it ignored SIGTERM, and any child left over
    if (ended == 0) ::waitpid(m_pid, &status, 0);
    m_pid = -1;
}

std::string ServerProcess::LogTail(size_t bytes) const {
    if (m_log.empty()) return {};
    const std::string text = ReadWholeFile(m_log);
    return text.size() <= bytes ? text : "..." + text.substr(text.size() - bytes);
}

// ---------------------------------------------------------------------------
// PyFtpServer

PyFtpServer::PyFtpServer(const Options& options) : m_root(m_dir.Path() / "root") {
    fs::create_directory(m_root);
    std::vector<std::string> argv{kPython, "-u", ScriptPath("pyftpd_server.py"), "--root", m_root.string(), "--port", "0",
                                  "--user", User(), "--password", Password(), "--passive-ports",
                                  std::to_string(kPassiveFirst) + "-" + std::to_string(kPassiveLast)};
    for (const auto& [folder, permissions] : options.folderPermissions) {
        argv.push_back("--folder-perm");
        argv.push_back(folder + "=" + permissions);
    }
    for (const std::string& name : options.lingeringNames) {
        argv.push_back("--linger");
        argv.push_back(name);
    }
    m_process.Start(argv, m_dir / "server.log");
    m_port = m_process.WaitForPortLine(20s);
    const std::string greeting = ReadGreeting(m_port, 10s);
    if (!greeting.starts_with("220")) {
        Stop();
        throw std::runtime_error("pyftpdlib does not greet on port " + std::to_string(m_port) + ":\n" +
                                 m_process.LogTail());
    }
}

// ---------------------------------------------------------------------------
// VsftpdServer
//
// vsftpd logs in only system accounts, so the fixture (the tests run as root)
// makes one, idempotently, serialised between test programs by a lock file:
//  - user "pvftp", a system account with shell /usr/sbin/nologin and home "/"
//    (vsftpd changes into the home folder before local_root, so it must exist),
//    password set with chpasswd;
//  - PAM service /etc/pam.d/pressvane-vsftpd with pam_unix only (Debian's
//    /etc/pam.d/vsftpd would also demand a shell listed in /etc/shells and
//    consult /etc/ftpusers); vsftpd's own check_shell is off as well.
// Each server gets its own configuration in its temp folder: standalone on
// 127.0.0.1 and a fresh port, local_root = Root() (owned by pvftp) with
// chroot_local_user, so the client sees Root() as "/" as on pyftpdlib;
// allow_writeable_chroot because that root is writable; no seccomp sandbox and
// no namespaces (isolate=NO), which containers may refuse; its own empty
// secure_chroot_dir; protocol log in the temp folder.

namespace {

const char* const kVsftpdUser = "pvftp";
const char* const kVsftpdPassword = "pv-Ftp-7x";
const char* const kPamService = "pressvane-vsftpd";
const char* const kPamText =
    "# Written by the Pressvane test fixtures (tests/support/FtpServers.cpp) for vsftpd.\n"
    "auth     required pam_unix.so nodelay\n"
    "account  required pam_unix.so\n"
    "session  required pam_permit.so\n";

// Serialises the accounts' set-up between test programs (one lock file for
// both servers' accounts; its name is older than the second server).
class AccountSetupLock {
public:
    AccountSetupLock() {
        const std::string path = (fs::temp_directory_path() / "pressvane-vsftpd-setup.lock").string();
        m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd < 0 || ::flock(m_fd, LOCK_EX) != 0) {
            if (m_fd >= 0) ::close(m_fd);
            throw std::runtime_error("cannot lock " + path);
        }
    }
    ~AccountSetupLock() { ::close(m_fd); }
    AccountSetupLock(const AccountSetupLock&) = delete;
    AccountSetupLock& operator=(const AccountSetupLock&) = delete;

private:
    int m_fd = -1;
};

// A system account with home "/" and no login shell, made unless it exists
// (call it under the set-up lock).
const passwd* EnsureSystemAccount(const char* name, const std::string& log) {
    const passwd* account = ::getpwnam(name);
    if (!account) {
        if (RunProgram({"/usr/sbin/useradd", "--system", "--no-create-home", "--home-dir", "/", "--shell",
                        "/usr/sbin/nologin", name},
                       log) != 0)
            throw std::runtime_error("useradd " + std::string(name) + " failed:\n" + ReadWholeFile(log));
        account = ::getpwnam(name);
        if (!account) throw std::runtime_error("no account " + std::string(name) + " after useradd");
    } else if (std::string(account->pw_dir) != "/") {
        if (RunProgram({"/usr/sbin/usermod", "--home", "/", name}, log) != 0)
            throw std::runtime_error("usermod failed:\n" + ReadWholeFile(log));
        account = ::getpwnam(name);
    }
    return account;
}

void PrepareVsftpdAccount(const fs::path& scratch) {
    static bool prepared = false;  // once per test program
    if (prepared) return;
    if (::geteuid() != 0) throw std::runtime_error("VsftpdServer needs root to set up the pvftp account");
    if (!fs::exists("/usr/sbin/vsftpd")) throw std::runtime_error("vsftpd is not installed (scripts/install-deps)");

    AccountSetupLock lock;
    const std::string log = (scratch / "setup.log").string();
    const std::string pamFile = std::string("/etc/pam.d/") + kPamService;
    if (ReadWholeFile(pamFile) != kPamText) {
        WriteWholeFile(pamFile + ".new", kPamText);
        fs::rename(pamFile + ".new", pamFile);
    }
    EnsureSystemAccount(kVsftpdUser, log);
    const std::string input = (scratch / "chpasswd.txt").string();
    WriteWholeFile(input, std::string(kVsftpdUser) + ":" + kVsftpdPassword + "\n");
    const int rc = RunProgram({"/usr/sbin/chpasswd"}, log, input);
    fs::remove(input);
    if (rc != 0) throw std::runtime_error("chpasswd failed:\n" + ReadWholeFile(log));
    prepared = true;
}

void ChownTree(const fs::path& top, uid_t uid, gid_t gid) {
    ::lchown(top.c_str(), uid, gid);
    for (const auto& entry : fs::recursive_directory_iterator(top)) ::lchown(entry.path().c_str(), uid, gid);
}

}  // namespace

std::string VsftpdServer::User() const { return kVsftpdUser; }
std::string VsftpdServer::Password() const { return kVsftpdPassword; }

void VsftpdServer::HandRootToUser() const {
    const passwd* account = ::getpwnam(kVsftpdUser);
    if (!account) throw std::runtime_error("no account " + std::string(kVsftpdUser));
    ChownTree(m_root, account->pw_uid, account->pw_gid);
}

std::string VsftpdServer::Log() const {
    return m_process.LogTail(100000) + ReadWholeFile(m_dir / "vsftpd.log");
}

VsftpdServer::VsftpdServer() {
    PrepareVsftpdAccount(m_dir.Path());
    fs::create_directory(m_root);
    fs::create_directory(m_dir.Path() / "empty");
    // The account must reach its root through the (0700) temp folder.
    fs::permissions(m_dir.Path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    HandRootToUser();

    const std::string banner = "Pressvane test vsftpd " + RandomToken();
    std::string lastFailure;
    for (int attempt = 0; attempt < 5; ++attempt) {
        // vsftpd cannot be told to pick its own port: take one that was free a
        // moment ago; if someone took it meanwhile, vsftpd fails to bind (or the
        // greeting is not ours) and we try another.
        m_port = PickFreePort();
        const std::string config = (m_dir / "vsftpd.conf");
        WriteWholeFile(config,
                       "listen=YES\n"
                       "listen_ipv6=NO\n"
                       "listen_address=127.0.0.1\n"
                       "listen_port=" + std::to_string(m_port) + "\n"
                       "background=NO\n"
                       "ftpd_banner=" + banner + "\n"
                       "anonymous_enable=NO\n"
                       "local_enable=YES\n"
                       "write_enable=YES\n"
                       "local_umask=022\n"
                       "local_root=" + m_root.string() + "\n"
                       "chroot_local_user=YES\n"
                       "allow_writeable_chroot=YES\n"
                       "pam_service_name=" + kPamService + "\n"
                       "check_shell=NO\n"
                       "delay_failed_login=0\n"
                       "userlist_enable=NO\n"
                       "tcp_wrappers=NO\n"
                       "nopriv_user=nobody\n"
                       "secure_chroot_dir=" + (m_dir / "empty") + "\n"
                       "seccomp_sandbox=NO\n"
                       "isolate=NO\n"
                       "isolate_network=NO\n"
                       "pasv_enable=YES\n"
                       "pasv_address=127.0.0.1\n"
                       "pasv_min_port=" + std::to_string(kPassiveFirst) + "\n"
                       "pasv_max_port=" + std::to_string(kPassiveLast) + "\n"
                       "port_enable=YES\n"
                       "connect_from_port_20=NO\n"
                       "xferlog_enable=YES\n"
                       "xferlog_std_format=NO\n"
                       "log_ftp_protocol=YES\n"
                       "vsftpd_log_file=" + (m_dir / "vsftpd.log") + "\n");
        m_process.Start({"/usr/sbin/vsftpd", config}, m_dir / "server.log");
        const std::string greeting = AwaitGreeting(m_process, m_port);
        if (greeting.starts_with("220 " + banner)) return;
        lastFailure = "port " + std::to_string(m_port) + ", greeting '" + greeting + "':\n" + m_process.LogTail();
        m_process.Stop();
    }
    throw std::runtime_error("vsftpd did not start: " + lastFailure);
}

// ---------------------------------------------------------------------------
// PureFtpdServer
//
// pure-ftpd logs in a virtual user from a database of its own, so no system
// account's password or home is touched: each server gets, in its temp folder,
//  - a passwd file with user "editor", home Root() + "/./" (the "/./" chroots
//    the session there) and the uid and gid of "pvpure", a system account with
//    shell /usr/sbin/nologin made once (the user's files belong to it);
//  - that file's database, made by "pure-pw mkdb", passed as -l puredb:<file>.
// The password's hash is SHA-512 crypt: "pure-pw useradd" would write an
// argon2 hash whose check takes seconds at every logon.
// The server runs in the foreground (no -B) on 127.0.0.1 and a fresh port,
// with -E (no anonymous logons), -A (everyone chrooted), -H (no name
// look-ups), -u 1 (a system uid may log on), passive ports on 127.0.0.1, no
// syslog (-f none), and its pid file and transfer log in the temp folder.  Its
// greeting shows the one "fortune" of a file (-F) holding a token, so a
// greeting from someone else who took the port meanwhile is told apart.
// Each server has its own database, root, pid file and port, so any number
// run at once.  pure-ftpd holds back the answer to a wrong password for 3 to
// 6 seconds.

namespace {

// scripts/install-deps unpacks the package there: it cannot be installed beside vsftpd.
const char* const kPureFtpdDir = "/opt/pressvane-test/pure-ftpd";
const char* const kPureAccount = "pvpure";
const char* const kPureUser = "editor";
const char* const kPurePassword = "pv-Pure-4k";
// openssl passwd -6 -salt pressvanepure 'pv-Pure-4k'
const char* const kPurePasswordHash =
    "$6$pressvanepure$EGieVXBtETV05otOoMI5RF1peMMlqF6u1e1Xm9JSiONSb8mO1uaJBhFr/VrYXJIyWLaAohndrCZXTvHoD0jt61";

std::string PureProgram(const std::string& path) { return std::string(kPureFtpdDir) + "/" + path; }

const passwd* PreparePureAccount(const fs::path& scratch) {
    if (::geteuid() != 0) throw std::runtime_error("PureFtpdServer needs root to run pure-ftpd");
    if (!fs::exists(PureProgram("usr/sbin/pure-ftpd")) || !fs::exists(PureProgram("usr/bin/pure-pw")))
        throw std::runtime_error("pure-ftpd is not unpacked in " + std::string(kPureFtpdDir) +
                                 " (scripts/install-deps)");
    if (const passwd* account = ::getpwnam(kPureAccount)) return account;
    AccountSetupLock lock;
    return EnsureSystemAccount(kPureAccount, (scratch / "setup.log").string());
}

}  // namespace

std::string PureFtpdServer::User() const { return kPureUser; }
std::string PureFtpdServer::Password() const { return kPurePassword; }

void PureFtpdServer::HandRootToUser() const {
    const passwd* account = ::getpwnam(kPureAccount);
    if (!account) throw std::runtime_error("no account " + std::string(kPureAccount));
    ChownTree(m_root, account->pw_uid, account->pw_gid);
}

std::string PureFtpdServer::Log() const {
    return m_process.LogTail(100000) + ReadWholeFile(m_dir / "transfer.log");
}

PureFtpdServer::PureFtpdServer() {
    const passwd* account = PreparePureAccount(m_dir.Path());
    const uid_t uid = account->pw_uid;
    const gid_t gid = account->pw_gid;
    fs::create_directory(m_root);
    // The account must reach its root through the (0700) temp folder.
    fs::permissions(m_dir.Path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    HandRootToUser();

    const std::string passwdFile = m_dir / "passwd";
    const std::string database = m_dir / "passwd.pdb";
    WriteWholeFile(passwdFile, std::string(kPureUser) + ":" + kPurePasswordHash + ":" + std::to_string(uid) + ":" +
                                   std::to_string(gid) + "::" + m_root.string() + "/./::::::::::::\n");
    const std::string setupLog = m_dir / "setup.log";
    if (RunProgram({PureProgram("usr/bin/pure-pw"), "mkdb", database, "-f", passwdFile}, setupLog) != 0)
        throw std::runtime_error("pure-pw mkdb failed:\n" + ReadWholeFile(setupLog));

    const std::string banner = "Pressvane test pure-ftpd " + RandomToken();
    const std::string fortunes = m_dir / "banner.txt";
    WriteWholeFile(fortunes, banner + "\n");
    std::string lastFailure;
    for (int attempt = 0; attempt < 5; ++attempt) {
        // As for vsftpd: a port that was free a moment ago, another one when
        // someone took it meanwhile (pure-ftpd then ends, or the greeting is not ours).
        m_port = PickFreePort();
        m_process.Start({PureProgram("usr/sbin/pure-ftpd"), "-S", "127.0.0.1," + std::to_string(m_port), "-l",
                         "puredb:" + database, "-E", "-A", "-H", "-u", "1", "-p",
                         std::to_string(kPassiveFirst) + ":" + std::to_string(kPassiveLast), "-P", "127.0.0.1",
                         "-F", fortunes, "-f", "none", "-g", m_dir / "pure-ftpd.pid", "-O",
                         "clf:" + (m_dir / "transfer.log")},
                        m_dir / "server.log");
        const std::string greeting = AwaitGreeting(m_process, m_port);
        if (greeting.starts_with("220-" + banner) || greeting.starts_with("220 " + banner)) return;
        lastFailure = "port " + std::to_string(m_port) + ", greeting '" + greeting + "':\n" + m_process.LogTail();
        m_process.Stop();
    }
    throw std::runtime_error("pure-ftpd did not start: " + lastFailure);
}

// ---------------------------------------------------------------------------
// ScriptedFtpServer

std::string JsonBytes(const std::string& bytes) {
    std::string out = "\"";
    for (const unsigned char c : bytes) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7f) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

using Step = ScriptedFtpServer::Step;

Step Step::Send(const std::string& text) { return {"{\"send\": " + JsonBytes(text) + "}"}; }

Step Step::SendSplit(const std::vector<std::string>& parts, int pauseMs) {
    std::string list;
    for (const auto& part : parts) list += (list.empty() ? "" : ", ") + JsonBytes(part);
    return {"{\"send_split\": [" + list + "], \"pause_ms\": " + std::to_string(pauseMs) + "}"};
}

Step Step::Expect(const std::string& prefix, const std::string& reply) {
    return {"{\"expect\": " + JsonBytes(prefix) + (reply.empty() ? "" : ", \"reply\": " + JsonBytes(reply)) + "}"};
}

Step Step::PasvReply(const std::string& text) { return {"{\"pasv_reply\": " + JsonBytes(text) + "}"}; }

Step Step::DataSend(const std::string& bytes, Then then, int repeat) {
    const char* name = then == Then::Stall ? "stall" : then == Then::Reset ? "reset" : "close";
    return {"{\"data_send\": " + JsonBytes(bytes) + ", \"repeat\": " + std::to_string(repeat) + ", \"then\": \"" +
            name + "\"}"};
}

Step Step::DataSendCloseEarly(const std::string& bytes, size_t count, int repeat) {
    return {"{\"data_send\": " + JsonBytes(bytes) + ", \"repeat\": " + std::to_string(repeat) +
            ", \"close_early_after\": " + std::to_string(count) + "}"};
}

Step Step::DataReceive() { return {"{\"data_receive\": true}"}; }
Step Step::Sleep(int ms) { return {"{\"sleep_ms\": " + std::to_string(ms) + "}"}; }
Step Step::Close() { return {"{\"close\": true}"}; }
Step Step::Accept() { return {"{\"accept\": true}"}; }
Step Step::ExpectClose() { return {"{\"expect_close\": true}"}; }

Step Step::WithTimeout(int ms) const {
    return {json.substr(0, json.size() - 1) + ", \"timeout_ms\": " + std::to_string(ms) + "}"};
}

std::vector<Step> ScriptedFtpServer::LoginSteps() {
    return {Step::Send("220 Ready\r\n"), Step::Expect("USER ", "331 Password required.\r\n"),
            Step::Expect("PASS ", "230 Logged in.\r\n")};
}

namespace {
std::string ScriptText(const std::vector<Step>& steps) {
    std::string text = "[\n";
    for (size_t i = 0; i < steps.size(); ++i) text += "  " + steps[i].json + (i + 1 < steps.size() ? ",\n" : "\n");
    return text + "]\n";
}
}  // namespace

ScriptedFtpServer::ScriptedFtpServer(const std::vector<Step>& steps) : ScriptedFtpServer(ScriptText(steps)) {}

ScriptedFtpServer::ScriptedFtpServer(const std::string& jsonScript) {
    WriteWholeFile(m_dir / "script.json", jsonScript);
    fs::create_directory(m_dir.Path() / "out");
    m_process.Start({kPython, "-u", ScriptPath("scripted_ftp_server.py"), "--script", m_dir / "script.json", "--out",
                     m_dir / "out"},
                    m_dir / "server.log");
    m_port = m_process.WaitForPortLine(20s);
}

std::vector<std::string> ScriptedFtpServer::ReceivedCommands() const {
    const std::string text = ReadWholeFile(m_dir / "out/commands.log");
    std::vector<std::string> lines;
    for (size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
        lines.push_back(text.substr(at, end - at));
    return lines;
}

std::string ScriptedFtpServer::ReceivedData(size_t index) const {
    return ReadWholeFile(m_dir / ("out/data-" + std::to_string(index) + ".bin"));
}

bool ScriptedFtpServer::WaitDone(std::chrono::milliseconds limit) const {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (fs::exists(m_dir / "out/done")) return true;
        if (fs::exists(m_dir / "out/error") || std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(10ms);
    }
}

std::string ScriptedFtpServer::Error() const { return ReadWholeFile(m_dir / "out/error"); }

int ConnectLoopback(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace pv::test
