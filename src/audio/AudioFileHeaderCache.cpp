#include "audio/AudioFileHeaderCache.h"

#include <algorithm>

#include "platform/Wildcard.h"

namespace pv {

CAudioFileHeaderCache::CAudioFileHeaderCache(platform::Clock& clock, Reporter* reporter)
    : m_clock(clock), m_pReporter(reporter), m_lastReading(clock.Steady()) {}

int64_t CAudioFileHeaderCache::AdvanceClock() {
    const auto now = m_clock.Steady();
    m_nNowMs += std::chrono::duration_cast<std::chrono::milliseconds>(now - m_lastReading).count();
    m_lastReading = now;
    return m_nNowMs;
}

CAudioFileHeader* CAudioFileHeaderCache::Find(const std::string& path) {
    for (auto it = m_headers.rbegin(); it != m_headers.rend(); ++it) {
        if (platform::EqualsIgnoringCase((*it)->FilePath(), path)) return it->get();
    }
    return nullptr;
}

void CAudioFileHeaderCache::Remove(const CAudioFileHeader* header) {
    m_headers.erase(std::remove_if(m_headers.begin(), m_headers.end(),
                                   [header](const auto& held) { return held.get() == header; }),
                    m_headers.end());
}

CAudioFileHeader* CAudioFileHeaderCache::GetHeader(const std::string& path, int64_t maxAgeMs) {
    const int64_t now = AdvanceClock();
    CAudioFileHeader* header = Find(path);
    if (!header) {
        auto fresh = std::make_unique<CAudioFileHeader>(m_pReporter);
        if (!fresh->ReadHeader(path)) return nullptr;
        fresh->m_nReadTimeMs = now;
        fresh->m_nLastUseMs = now;
        m_headers.push_back(std::move(fresh));
        return m_headers.back().get();
    }
    if (header->m_nReadTimeMs != 0 && now - header->m_nReadTimeMs <= maxAgeMs) {
        header->m_nLastUseMs = now;
        return header;
    }
    if (!header->ReadHeader(header->FilePath())) {
        Remove(header);
        return nullptr;
    }
    header->m_nReadTimeMs = now;
    header->m_nLastUseMs = now;
    return header;
}

}  // namespace pv
