#pragma once
// CIni: settings reads with a default, written back so that the settings file
// ends up listing every key, and a cache of the values this process wrote.
//
// The file is passed to every call; the cache key is "<file> [<section>] <key>"
// exactly as passed (case matters).  A read finds its value in the cache before
// it looks at the file; a write whose value the cache already holds (case
// matters) is skipped.  The cache only holds values whose write succeeded.
// Values are returned whole, however long.  Safe to call from several threads.
#include <map>
#include <mutex>
#include <string>
#include <string_view>

#include "config/ProfileFile.h"

namespace pv {

// The default handed to the profile read to tell a missing key from a present
// one; a key whose value is exactly this text counts as missing.
inline constexpr std::string_view kMarkerDefault = "zzQMDefault";

struct MarkedValue {
    std::string value;     // the text read, or the caller's default when missing
    bool present = false;  // whether the key was present
    // Whether the value is written back: when asked to, or when the key exists.
    bool NeedsWriteBack(bool forceWriteBack) const { return forceWriteBack || present; }
};

// Reads a key with the marker default and puts the caller's default in place of
// a missing key.
MarkedValue ReadMarked(const ProfileFile& file, std::string_view section, std::string_view key,
                       std::string_view defaultValue);

// "Yes"/"No" for a boolean default.
std::string_view YesNo(bool value);

class CIni {
public:
    CIni() = default;
    CIni(const CIni&) = delete;
    CIni& operator=(const CIni&) = delete;

    std::string ReadString(std::string_view section, std::string_view key, std::string_view defaultValue,
                           const std::string& file, bool forceWriteBack = true, bool bypassCache = false);
    // True for "Yes", "True", "On" or "1" (ASCII case ignored); the value is
    // written back as read.
    bool ReadBool(std::string_view section, std::string_view key, bool defaultValue, const std::string& file,
                  bool forceWriteBack = true);
    // The leading digits of the value (0 when there are none).
    int ReadInt(std::string_view section, std::string_view key, int defaultValue, const std::string& file,
                bool forceWriteBack = true);

    // False when the file could not be written (the service then runs on).
    bool WriteString(std::string_view section, std::string_view key, std::string_view value,
                     const std::string& file);
    bool WriteInt(std::string_view section, std::string_view key, int value, const std::string& file);

    bool CacheEnabled() const { return m_cacheEnabled; }

private:
    static std::string CacheKey(const std::string& file, std::string_view section, std::string_view key);
    std::string ReadStringLocked(std::string_view section, std::string_view key, std::string_view defaultValue,
                                 const std::string& file, bool forceWriteBack, bool bypassCache);
    bool WriteStringLocked(std::string_view section, std::string_view key, std::string_view value,
                           const std::string& file);

    std::mutex m_mutex;
    const bool m_cacheEnabled = true;
    std::map<std::string, std::string> m_cache;
};

}  // namespace pv
