// Throughput of our FTP client against curl, both talking to the same local
// vsftpd in the same run: one large file and many small files, each way.
//
//   ftp_bench [--large-mib N] [--small-count N] [--small-kib N] [--reps N]
//             [--curl-per-file-reps N] [--large-only | --small-only]
//
// Every timed run starts from the same state (target files removed, dirty
// pages written back with sync()), is timed with steady_clock, and is checked
// afterwards (size and checksum of every file).  The table shows the median of
// the repetitions.  Needs root (vsftpd logs in a system account).
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Reporter.h"
#include "support/FtpServers.h"
#include "support/TempDir.h"
#include "transport/FtpClient.h"
#include "transport/FtpListing.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Options {
    int largeMib = 256;
    int smallCount = 200;
    int smallKib = 10;
    int reps = 3;
    int curlPerFileReps = 1;  // one curl per file is slow (a logon each): fewer repetitions
    bool large = true, small = true;
};

// --- files ------------------------------------------------------------------

// Pseudo-random bytes (xorshift64*), different for every seed.
void WriteRandomFile(const std::string& path, uint64_t bytes, uint64_t seed) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) throw std::runtime_error("cannot create " + path);
    std::vector<uint64_t> block(1 << 17);  // 1 MiB
    uint64_t state = seed * 0x9E3779B97F4A7C15ull + 1;
    uint64_t left = bytes;
    while (left > 0) {
        for (uint64_t& word : block) {
            state ^= state >> 12;
            state ^= state << 25;
            state ^= state >> 27;
            word = state * 0x2545F4914F6CDD1Dull;
        }
        const size_t n = static_cast<size_t>(std::min<uint64_t>(left, block.size() * sizeof(uint64_t)));
        if (::write(fd, block.data(), n) != static_cast<ssize_t>(n)) {
            ::close(fd);
            throw std::runtime_error("cannot write " + path);
        }
        left -= n;
    }
    if (::close(fd) != 0) throw std::runtime_error("cannot write " + path);
}

struct Digest {
    uint64_t size = 0;
    uint64_t sum = 0;
    bool operator==(const Digest&) const = default;
};

// Size and a 64-bit checksum of the file's bytes; size UINT64_MAX when unreadable.
Digest DigestOf(const std::string& path) {
    Digest d;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {UINT64_MAX, 0};
    std::vector<unsigned char> buffer(1 << 20);
    uint64_t h = 0xCBF29CE484222325ull;
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0) {
            ::close(fd);
            return {UINT64_MAX, 0};
        }
        if (n == 0) break;
        size_t i = 0;
        for (; i + 8 <= static_cast<size_t>(n); i += 8) {
            uint64_t w;
            std::memcpy(&w, buffer.data() + i, 8);
            h = (h ^ w) * 0x100000001B3ull;
            h ^= h >> 29;
        }
        for (; i < static_cast<size_t>(n); ++i) h = (h ^ buffer[i]) * 0x100000001B3ull;
        d.size += static_cast<uint64_t>(n);
    }
    ::close(fd);
    d.sum = h;
    return d;
}

void RemoveFilesIn(const fs::path& folder) {
    for (const auto& entry : fs::directory_iterator(folder)) fs::remove_all(entry.path());
}

// --- curl ---------------------------------------------------------------------

// Runs argv (found on PATH), stdout to outFile, stderr appended to errFile; the exit code.
int Run(const std::vector<std::string>& argv, const std::string& outFile, const std::string& errFile) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(rc));
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) throw std::runtime_error("waitpid failed");
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// --- the bench ---------------------------------------------------------------

struct Fixture {
    pv::test::VsftpdServer server;
    pv::test::TempDir scratch;
    fs::path localIn, localOut, remoteUp, remoteDown;
    std::string bigName = "big.bin";
    std::vector<std::string> smallNames;
    Digest bigDigest;
    std::vector<Digest> smallDigests;
    pv::NullReporter reporter;

    std::string CurlUser() const { return server.User() + ":" + server.Password(); }
    std::string Url(const std::string& path) const {
        return "ftp://127.0.0.1:" + std::to_string(server.Port()) + path;
    }
    std::string ErrFile() const { return scratch / "curl-errors.txt"; }
    std::string ErrText() const { return pv::test::ReadWholeFile(ErrFile()); }
};

// Seconds of one timed run: the whole of it, and the part that moved file
// bytes (our MoveFile calls; curl's total less its time before the transfer,
// which holds connecting and logging on).
struct Timing {
    double whole = 0;
    double transfer = 0;
};

using Action = std::function<void()>;
using Runner = std::function<void(Timing&)>;

// Prepares, syncs, times one run, verifies.
Timing Timed(const Action& prepare, const Runner& run, const Action& verify) {
    prepare();
    ::sync();
    Timing t;
    const auto start = Clock::now();
    run(t);
    t.whole = std::chrono::duration<double>(Clock::now() - start).count();
    verify();
    return t;
}

void Check(bool ok, const std::string& what) {
    if (!ok) throw std::runtime_error("verification failed: " + what);
}

// Our client: logs on, moves each file, quits (the whole session is timed).
void OursSession(Fixture& f, const std::vector<std::string>& names, bool get, Timing& t) {
    pv::FtpListingTable listings;
    pv::CFtpClient client(f.reporter, pv::FtpClientSettings{}, listings);
    if (!client.LogOnToServer(f.server.Host(), f.server.Port(), f.server.User(), f.server.Password()))
        throw std::runtime_error("our client cannot log on: " + client.m_strRetMsg);
    for (const std::string& name : names) {
        const std::string remote = get ? "/down/" + name : "/up/" + name;
        const std::string local = ((get ? f.localOut : f.localIn) / name).string();
        const auto start = Clock::now();
        if (!client.MoveFile(remote, local, get))
            throw std::runtime_error("our client failed on " + name + ": " + client.m_strErrorText);
        t.transfer += std::chrono::duration<double>(Clock::now() - start).count();
    }
    client.Quit();
}

// curl's own account of one invocation: the sum over its transfers of
// time_total - time_pretransfer.
double CurlTransferSeconds(const std::string& writeOut) {
    double sum = 0;
    std::istringstream in(pv::test::ReadWholeFile(writeOut));
    double pre = 0, total = 0;
    while (in >> pre >> total) sum += total - pre;
    return sum;
}

const char* const kWriteOut = "%{time_pretransfer} %{time_total}\n";

void CurlOne(Fixture& f, const std::string& name, bool get, Timing& t) {
    const std::string writeOut = f.scratch / "curl-times.txt";
    std::vector<std::string> argv{"curl", "-sS", "-u", f.CurlUser(), "-w", kWriteOut};
    if (get) {
        argv.insert(argv.end(), {"-o", (f.localOut / name).string(), f.Url("/down/" + name)});
    } else {
        argv.insert(argv.end(), {"-T", (f.localIn / name).string(), f.Url("/up/" + name)});
    }
    if (Run(argv, writeOut, f.ErrFile()) != 0) throw std::runtime_error("curl failed on " + name + ":\n" + f.ErrText());
    t.transfer += CurlTransferSeconds(writeOut);
}

// All small files in one curl invocation (one control connection), through a
// config file so that the command line stays short.
void CurlBatch(Fixture& f, bool get, Timing& t) {
    const std::string config = f.scratch / "batch.curlrc";
    const std::string writeOut = f.scratch / "curl-times.txt";
    std::string text;
    for (const std::string& name : f.smallNames) {
        if (get) {
            text += "url = \"" + f.Url("/down/" + name) + "\"\noutput = \"" + (f.localOut / name).string() + "\"\n";
        } else {
            text += "upload-file = \"" + (f.localIn / name).string() + "\"\nurl = \"" + f.Url("/up/" + name) + "\"\n";
        }
    }
    pv::test::WriteWholeFile(config, text);
    if (Run({"curl", "-sS", "-u", f.CurlUser(), "-w", kWriteOut, "-K", config}, writeOut, f.ErrFile()) != 0)
        throw std::runtime_error("curl (one call) failed:\n" + f.ErrText());
    t.transfer += CurlTransferSeconds(writeOut);
}

void VerifyFolder(const fs::path& folder, const std::vector<std::string>& names, const std::vector<Digest>& digests,
                  const std::string& what) {
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) ++count;
    Check(count == names.size(), what + ": " + std::to_string(count) + " files, expected " +
                                     std::to_string(names.size()));
    for (size_t i = 0; i < names.size(); ++i)
        Check(DigestOf((folder / names[i]).string()) == digests[i], what + ": " + names[i] + " differs");
}

struct Case {
    std::string name;
    uint64_t bytes = 0;
    std::vector<Timing> ours, curl;
};

double MedianOf(const std::vector<Timing>& runs, double Timing::*field) {
    std::vector<double> v;
    for (const Timing& t : runs) v.push_back(t.*field);
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    if (n == 0) return 0;
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void PrintTable(const char* title, const std::vector<Case>& cases, double Timing::*field) {
    std::printf("\n%s\n%-40s %9s %9s %9s %9s %10s\n", title, "case", "ours s", "ours MB/s", "curl s", "curl MB/s",
                "ours/curl");
    std::printf("%s\n", std::string(91, '-').c_str());
    for (const Case& c : cases) {
        const double mb = static_cast<double>(c.bytes) / 1e6;
        const double ours = MedianOf(c.ours, field), curl = MedianOf(c.curl, field);
        std::printf("%-40s %9.3f %9.1f %9.3f %9.1f %9.2fx\n", c.name.c_str(), ours, mb / ours, curl, mb / curl,
                    curl / ours);
    }
}

void PrintRuns(const std::vector<Case>& cases) {
    std::printf("\nevery run, whole seconds (ours | curl):\n");
    for (const Case& c : cases) {
        std::printf("  %-40s", c.name.c_str());
        for (const Timing& t : c.ours) std::printf(" %.3f", t.whole);
        std::printf(" |");
        for (const Timing& t : c.curl) std::printf(" %.3f", t.whole);
        std::printf("\n");
    }
}

int Main(const Options& o) {
    if (::geteuid() != 0) {
        std::fprintf(stderr, "ftp_bench needs root (vsftpd logs in a system account)\n");
        return 2;
    }
    Fixture f;
    f.localIn = f.scratch.Path() / "in";
    f.localOut = f.scratch.Path() / "out";
    f.remoteUp = f.server.Root() / "up";
    f.remoteDown = f.server.Root() / "down";
    fs::create_directories(f.localIn);
    fs::create_directories(f.localOut);
    fs::create_directories(f.remoteUp);
    fs::create_directories(f.remoteDown);

    const uint64_t largeBytes = static_cast<uint64_t>(o.largeMib) << 20;
    const uint64_t smallBytes = static_cast<uint64_t>(o.smallKib) << 10;
    std::printf("vsftpd on 127.0.0.1:%d (its logon runs PAM, which costs a noticeable share of a session)\n",
                f.server.Port());
    std::printf("generating %d MiB + %d x %d KiB of input...\n", o.largeMib, o.smallCount, o.smallKib);
    std::fflush(stdout);
    if (o.large) {
        WriteRandomFile((f.localIn / f.bigName).string(), largeBytes, 1);
        f.bigDigest = DigestOf((f.localIn / f.bigName).string());
        fs::copy_file(f.localIn / f.bigName, f.remoteDown / f.bigName);
    }
    if (o.small) {
        for (int i = 0; i < o.smallCount; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "small%04d.bin", i);
            f.smallNames.push_back(name);
            WriteRandomFile((f.localIn / name).string(), smallBytes, 100 + static_cast<uint64_t>(i));
            f.smallDigests.push_back(DigestOf((f.localIn / name).string()));
            fs::copy_file(f.localIn / name, f.remoteDown / name);
        }
    }
    f.server.HandRootToUser();

    const std::vector<std::string> big{f.bigName};
    auto clearUp = [&] { RemoveFilesIn(f.remoteUp); };
    auto clearOut = [&] { RemoveFilesIn(f.localOut); };
    auto verifyBigUp = [&] { VerifyFolder(f.remoteUp, big, {f.bigDigest}, "large upload"); };
    auto verifyBigDown = [&] { VerifyFolder(f.localOut, big, {f.bigDigest}, "large download"); };
    auto verifySmallUp = [&] { VerifyFolder(f.remoteUp, f.smallNames, f.smallDigests, "small uploads"); };
    auto verifySmallDown = [&] { VerifyFolder(f.localOut, f.smallNames, f.smallDigests, "small downloads"); };

    const uint64_t smallTotal = smallBytes * static_cast<uint64_t>(o.smallCount);
    const std::string mib = std::to_string(o.largeMib) + " MiB";
    const std::string many = std::to_string(o.smallCount) + " x " + std::to_string(o.smallKib) + " KiB";
    Case bigUp{"1 x " + mib + " upload", largeBytes, {}, {}};
    Case bigDown{"1 x " + mib + " download", largeBytes, {}, {}};
    Case smallUp{many + " upload, curl per file", smallTotal, {}, {}};
    Case smallUpBatch{many + " upload, curl one call", smallTotal, {}, {}};
    Case smallDown{many + " download, curl per file", smallTotal, {}, {}};
    Case smallDownBatch{many + " download, curl one call", smallTotal, {}, {}};

    for (int rep = 0; rep < o.reps; ++rep) {
        std::printf("repetition %d of %d...\n", rep + 1, o.reps);
        std::fflush(stdout);
        // Alternate who goes first, so neither always meets the other's leftovers.
        const bool oursFirst = rep % 2 == 0;
        auto both = [&](Case& c, const Runner& ours, const Runner& curl, const Action& prepare, const Action& verify) {
            if (oursFirst) c.ours.push_back(Timed(prepare, ours, verify));
            c.curl.push_back(Timed(prepare, curl, verify));
            if (!oursFirst) c.ours.push_back(Timed(prepare, ours, verify));
        };
        if (o.large) {
            both(bigUp, [&](Timing& t) { OursSession(f, big, false, t); },
                 [&](Timing& t) { CurlOne(f, f.bigName, false, t); }, clearUp, verifyBigUp);
            both(bigDown, [&](Timing& t) { OursSession(f, big, true, t); },
                 [&](Timing& t) { CurlOne(f, f.bigName, true, t); }, clearOut, verifyBigDown);
        }
        if (o.small) {
            both(smallUpBatch, [&](Timing& t) { OursSession(f, f.smallNames, false, t); },
                 [&](Timing& t) { CurlBatch(f, false, t); }, clearUp, verifySmallUp);
            both(smallDownBatch, [&](Timing& t) { OursSession(f, f.smallNames, true, t); },
                 [&](Timing& t) { CurlBatch(f, true, t); }, clearOut, verifySmallDown);
            if (rep < o.curlPerFileReps) {
                smallUp.curl.push_back(Timed(clearUp, [&](Timing& t) {
                    for (const std::string& n : f.smallNames) CurlOne(f, n, false, t);
                }, verifySmallUp));
                smallDown.curl.push_back(Timed(clearOut, [&](Timing& t) {
                    for (const std::string& n : f.smallNames) CurlOne(f, n, true, t);
                }, verifySmallDown));
            }
        }
    }
    clearUp();
    clearOut();
    // Our side of the per-file rows is the same single session.
    smallUp.ours = smallUpBatch.ours;
    smallDown.ours = smallDownBatch.ours;

    std::vector<Case> cases;
    if (o.large) cases.insert(cases.end(), {bigUp, bigDown});
    if (o.small) cases.insert(cases.end(), {smallUp, smallUpBatch, smallDown, smallDownBatch});
    std::printf("\nOur client: one session per run (logon, then TYPE I + PASV + STOR/RETR per file, QUIT).\n"
                "curl: a new process, connection and logon per invocation.  Medians of %d runs (curl per\n"
                "file: %d); every file checked by size and checksum after every run.  MB = 10^6 bytes;\n"
                "ours/curl is the throughput ratio, above 1 means ours is faster.\n",
                o.reps, std::min(o.reps, o.curlPerFileReps));
    PrintTable("Whole runs (process start, connect and logon included):", cases, &Timing::whole);
    if (o.large) {
        // For small files the two sides split a transfer differently (curl counts PASV and the data
        // connection before its transfer starts, we count them in MoveFile), so only the large file.
        PrintTable("Large file, transfer only (logon left out: our MoveFile; curl's time_total - time_pretransfer):",
                   {bigUp, bigDown}, &Timing::transfer);
    }
    PrintRuns(cases);
    if (o.large) {
        const double up = MedianOf(bigUp.curl, &Timing::whole) / MedianOf(bigUp.ours, &Timing::whole);
        const double down = MedianOf(bigDown.curl, &Timing::whole) / MedianOf(bigDown.ours, &Timing::whole);
        const double worst = std::min(up, down);
        std::printf("\nlarge file, worse direction (whole runs): %.2f of curl's throughput (target at least 0.90): %s\n",
                    worst, worst >= 0.9 ? "met" : "MISSED");
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto next = [&]() -> int {
            if (i + 1 >= argc) throw std::runtime_error(arg + " needs a number");
            return std::max(1, std::atoi(argv[++i]));
        };
        try {
            if (arg == "--large-mib") o.largeMib = next();
            else if (arg == "--small-count") o.smallCount = next();
            else if (arg == "--small-kib") o.smallKib = next();
            else if (arg == "--reps") o.reps = next();
            else if (arg == "--curl-per-file-reps") o.curlPerFileReps = next();
            else if (arg == "--large-only") o.small = false;
            else if (arg == "--small-only") o.large = false;
            else {
                std::fprintf(stderr, "usage: ftp_bench [--large-mib N] [--small-count N] [--small-kib N] [--reps N]\n"
                             "                 [--curl-per-file-reps N] [--large-only | --small-only]\n");
                return 2;
            }
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", e.what());
            return 2;
        }
    }
    try {
        return Main(o);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ftp_bench: %s\n", e.what());
        return 1;
    }
}
