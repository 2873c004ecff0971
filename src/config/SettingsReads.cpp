#include "config/SettingsReads.h"

#include <algorithm>

#include "config/Ini.h"

namespace pv {

namespace {

bool IsOneOf(std::string_view text, std::initializer_list<std::string_view> words) {
    return std::any_of(words.begin(), words.end(), [text](std::string_view word) { return NamesEqual(text, word); });
}

}  // namespace

SettingsReader::SettingsReader(std::string file) : m_file(std::move(file)) {}

std::string SettingsReader::Peek(std::string_view section, std::string_view key,
                                 std::string_view defaultValue) const {
    return m_file.GetString(section, key, defaultValue);
}

bool SettingsReader::Write(std::string_view section, std::string_view key, std::string_view value) {
    std::string error;
    if (m_file.WriteString(section, key, value, &error)) return true;
    m_lastWriteError = error;
    return false;
}

std::string SettingsReader::String(std::string_view section, std::string_view key, std::string_view defaultValue) {
    std::string value = m_file.GetString(section, key, defaultValue);
    Write(section, key, value);
    return value;
}

int SettingsReader::Integer(std::string_view section, std::string_view key, int defaultValue,
                            std::optional<int> min, std::optional<int> max) {
    int value = m_file.GetInt(section, key, defaultValue);
    if (min && value < *min) value = *min;
    if (max && value > *max) value = *max;
    Write(section, key, std::to_string(value));
    return value;
}

bool SettingsReader::PositiveBool(std::string_view section, std::string_view key, std::string_view defaultWord,
                                  bool acceptTrue) {
    const std::string text = m_file.GetString(section, key, defaultWord);
    const bool value = IsOneOf(text, {"Yes", "On"}) || (acceptTrue && NamesEqual(text, "True"));
    Write(section, key, YesNo(value));
    return value;
}

bool SettingsReader::NegativeBool(std::string_view section, std::string_view key, std::string_view defaultWord) {
    const std::string text = m_file.GetString(section, key, defaultWord);
    const bool value = !IsOneOf(TrimBlanks(text), {"No", "False", "Off"});
    Write(section, key, YesNo(value));
    return value;
}

std::string SettingsReader::MarkerString(std::string_view section, std::string_view key,
                                         std::string_view defaultValue, bool forceWriteBack) {
    MarkedValue read = ReadMarked(m_file, section, key, defaultValue);
    if (read.NeedsWriteBack(forceWriteBack)) Write(section, key, read.value);
    return std::move(read.value);
}

bool SettingsReader::MarkerBool(std::string_view section, std::string_view key, bool defaultValue,
                                bool forceWriteBack) {
    return IsOneOf(MarkerString(section, key, YesNo(defaultValue), forceWriteBack), {"Yes", "True", "On"});
}

int SettingsReader::MarkerInt(std::string_view section, std::string_view key, int defaultValue,
                              bool forceWriteBack) {
    return LeadingInt(MarkerString(section, key, std::to_string(defaultValue), forceWriteBack));
}

}  // namespace pv
