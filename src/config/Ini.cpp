#include "config/Ini.h"

namespace pv {

MarkedValue ReadMarked(const ProfileFile& file, std::string_view section, std::string_view key,
                       std::string_view defaultValue) {
    std::string text = file.GetString(section, key, kMarkerDefault);
    if (text == kMarkerDefault) return {std::string(defaultValue), false};
    return {std::move(text), true};
}

std::string_view YesNo(bool value) { return value ? "Yes" : "No"; }

std::string CIni::CacheKey(const std::string& file, std::string_view section, std::string_view key) {
    return file + " [" + std::string(section) + "] " + std::string(key);
}

std::string CIni::ReadString(std::string_view section, std::string_view key, std::string_view defaultValue,
                             const std::string& file, bool forceWriteBack, bool bypassCache) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return ReadStringLocked(section, key, defaultValue, file, forceWriteBack, bypassCache);
}

std::string CIni::ReadStringLocked(std::string_view section, std::string_view key, std::string_view defaultValue,
                                   const std::string& file, bool forceWriteBack, bool bypassCache) {
    if (m_cacheEnabled && !bypassCache) {
        const auto cached = m_cache.find(CacheKey(file, section, key));
        if (cached != m_cache.end()) return cached->second;
    }
    MarkedValue read = ReadMarked(ProfileFile(file), section, key, defaultValue);
    // The write stores the value in the cache when it succeeds.
    if (read.NeedsWriteBack(forceWriteBack)) WriteStringLocked(section, key, read.value, file);
    return std::move(read.value);
}

bool CIni::ReadBool(std::string_view section, std::string_view key, bool defaultValue, const std::string& file,
                    bool forceWriteBack) {
    const std::string value = ReadString(section, key, YesNo(defaultValue), file, forceWriteBack);
    return NamesEqual(value, "Yes") || NamesEqual(value, "True") || NamesEqual(value, "On") || value == "1";
}

int CIni::ReadInt(std::string_view section, std::string_view key, int defaultValue, const std::string& file,
                  bool forceWriteBack) {
    return LeadingInt(ReadString(section, key, std::to_string(defaultValue), file, forceWriteBack));
}

bool CIni::WriteString(std::string_view section, std::string_view key, std::string_view value,
                       const std::string& file) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return WriteStringLocked(section, key, value, file);
}

bool CIni::WriteStringLocked(std::string_view section, std::string_view key, std::string_view value,
                             const std::string& file) {
    const std::string cacheKey = CacheKey(file, section, key);
    if (m_cacheEnabled) {
        const auto cached = m_cache.find(cacheKey);
        if (cached != m_cache.end() && cached->second == value) return true;
    }
    ProfileFile profile(file);
    if (!profile.WriteString(section, key, value)) return false;
    if (m_cacheEnabled) m_cache[cacheKey] = std::string(value);
    return true;
}

bool CIni::WriteInt(std::string_view section, std::string_view key, int value, const std::string& file) {
    return WriteString(section, key, std::to_string(value), file);
}

}  // namespace pv
