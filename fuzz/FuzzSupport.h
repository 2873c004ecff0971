#pragma once
// What the fuzz targets share: one private scratch folder per process (under
// $TMPDIR, removed at exit), whole-file writes into it, and a check that
// stops the run with a message when a promise of the code under test breaks.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include <fcntl.h>

#include "platform/Clock.h"

#define PV_FUZZ_CHECK(condition)                                                                  \
    do {                                                                                          \
        if (!(condition)) {                                                                       \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);    \
            std::abort();                                                                         \
        }                                                                                         \
    } while (0)

namespace pv::fuzz {

// A clock stopped at one moment, so that what a target produces does not
// depend on when it runs.
class StillClock final : public platform::Clock {
public:
    std::chrono::system_clock::time_point Now() const override {
        return std::chrono::system_clock::from_time_t(1765304643);
    }
    std::chrono::steady_clock::time_point Steady() const override { return {}; }
    void SleepFor(std::chrono::milliseconds) override {}
};

class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "pvfuzz-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            std::abort();
        }
        m_path = pattern;
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    // "<folder>/<name>"
    std::string operator/(std::string_view name) const { return (m_path / name).string(); }
    // The folder with a trailing '/'.
    std::string Folder() const { return m_path.string() + "/"; }

private:
    std::filesystem::path m_path;
};

inline ScratchFolder& Scratch() {
    static ScratchFolder folder;
    return folder;
}

inline std::string_view AsText(const uint8_t* data, size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// Replaces the file's contents with the bytes.
inline void WriteWholeFile(const std::string& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        std::perror(path.c_str());
        std::abort();
    }
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) {
            std::perror(path.c_str());
            std::abort();
        }
        done += static_cast<size_t>(n);
    }
    ::close(fd);
}

}  // namespace pv::fuzz
