#pragma once
// Reads of settings keys that write every value back, so that after one start
// the settings file lists every key with the value in effect.
//
// The normalising reads write back the value as the service understood it:
//   std::string path = reads.String("HeartBeat", "Filename", "C:\\Temp\\x.txt");
//   int delay = reads.Integer("Pressvane", "Delay", 5, 1);       // at least 1
//   bool log = reads.PositiveBool("Pressvane", "Log", "Off");    // "Yes"/"No"
//   bool copy = reads.NegativeBool("MoveFiles", "Copy1", "Yes"); // "Yes"/"No"
// The marker reads (the service window's own reads) behave like CIni's reads
// without a cache, except that MarkerBool does not take "1" for true.
//
// No read fails: a missing file, section or key gives the default.  A write
// that fails is ignored apart from LastWriteError.  One reader is used by one
// thread at a time; the file itself is safe to share.
#include <optional>
#include <string>
#include <string_view>

#include "config/ProfileFile.h"

namespace pv {

class SettingsReader {
public:
    // The settings file path as the operator wrote it.
    explicit SettingsReader(std::string file);

    const std::string& File() const { return m_file.Path(); }

    // The text as read (or the default), written back unchanged.
    std::string String(std::string_view section, std::string_view key, std::string_view defaultValue);
    // The profile integer (leading digits; the default when missing), limited
    // to [min, max] where given, written back in decimal.
    int Integer(std::string_view section, std::string_view key, int defaultValue, std::optional<int> min = {},
                std::optional<int> max = {});
    // True for "Yes" or "On" (and "True" when acceptTrue), ASCII case ignored;
    // the default is a word such as "Yes", "No" or "Off".  Written back as
    // "Yes" or "No".
    bool PositiveBool(std::string_view section, std::string_view key, std::string_view defaultWord,
                      bool acceptTrue = false);
    // False only for "No", "False" or "Off" (blanks around ignored, ASCII case
    // ignored); anything else, the empty text included, is true.  Written back
    // as "Yes" or "No".
    bool NegativeBool(std::string_view section, std::string_view key, std::string_view defaultWord);

    // Marker reads: a missing key gives the default and is written only when
    // forceWriteBack is set; a present key is written back as read.
    std::string MarkerString(std::string_view section, std::string_view key, std::string_view defaultValue,
                             bool forceWriteBack = true);
    // True for "Yes", "True" or "On" (ASCII case ignored), not for "1".
    bool MarkerBool(std::string_view section, std::string_view key, bool defaultValue, bool forceWriteBack = true);
    int MarkerInt(std::string_view section, std::string_view key, int defaultValue, bool forceWriteBack = true);

    // The text as read (or the default), without writing anything back; for
    // keys whose written value depends on more than the key itself.
    std::string Peek(std::string_view section, std::string_view key, std::string_view defaultValue) const;
    // Writes a value; false when the write failed (kept in LastWriteError).
    bool Write(std::string_view section, std::string_view key, std::string_view value);

    // Why the last write failed; empty when none has failed.
    const std::string& LastWriteError() const { return m_lastWriteError; }

private:
    ProfileFile m_file;
    std::string m_lastWriteError;
};

}  // namespace pv
