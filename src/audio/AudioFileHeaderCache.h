#pragma once
// Headers of WAV files read earlier, kept so that repeated look-ups of the
// same file do not read it again while it is fresh.  Paths compare without
// regard to ASCII case.  Used on one thread.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/AudioFileHeader.h"
#include "platform/Clock.h"

namespace pv {

class CAudioFileHeaderCache {
public:
    explicit CAudioFileHeaderCache(platform::Clock& clock = platform::DefaultClock(), Reporter* reporter = nullptr);

    // The header of the file, read afresh when it is older than maxAgeMs;
    // null when the file cannot be read (a stale header that fails to read
    // again is dropped).  The cache owns the header.
    CAudioFileHeader* GetHeader(const std::string& path, int64_t maxAgeMs);

    size_t Size() const { return m_headers.size(); }

private:
    int64_t AdvanceClock();
    CAudioFileHeader* Find(const std::string& path);
    void Remove(const CAudioFileHeader* header);

    platform::Clock& m_clock;
    Reporter* m_pReporter;
    std::vector<std::unique_ptr<CAudioFileHeader>> m_headers;
    std::chrono::steady_clock::time_point m_lastReading;
    int64_t m_nNowMs = 1;  // never 0: a read time of 0 means "never read"
};

}  // namespace pv
