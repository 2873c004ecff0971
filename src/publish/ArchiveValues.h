#pragma once
// How the texts of a story header and of an audio file's tags become the
// values of archive database fields.  Dates and times are stored as ISO 8601
// text ("2005-12-31", "10:30:00", "00:00:07.500"), which the sqlite3 tool,
// SQLite's date functions and any SQL tool read as dates and times.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pv {

// A field's value: none leaves the field empty (NULL).
using FieldText = std::optional<std::string>;

// What a date or time text gave.
struct ArchiveFieldValue {
    FieldText value;
    // The text named a day or time that does not exist ("02/30/2024",
    // "25:00:00"): the field stays empty, and the caller may say so.
    bool invalid = false;
};

// A date as the newsroom writes it: month, day and year, separated by "\",
// "/" or "-", each read as a decimal number up to its first non-digit (so a
// time after the year is ignored): "12/31/2005 10:00:00" is 2005-12-31.
// All three zero (or no text) is no date.  A year must have at least three
// digits' worth (100 to 9999): "12/31/05" does not name the year 2005.
ArchiveFieldValue ArchiveDate(std::string_view text);

// A time: hours, minutes and seconds separated by "\", "/", "-", "." or ":",
// each read as a decimal number up to its first non-digit.  All zero (or no
// text) is no time.
ArchiveFieldValue ArchiveTime(std::string_view text);

// The header's TIME field is stored without its first three characters.
ArchiveFieldValue ArchiveCreationTime(std::string_view headerTime);

// An audio cue (intro or outro) in milliseconds, as a time of day with its
// milliseconds ("00:00:07.500"); 0 is no time.  A cue of a day or more
// cannot be a time of day and is no time either.
FieldText ArchiveCueTime(int64_t milliseconds);

// An integer field: the leading decimal number of the text (blanks and a
// sign before it allowed); no digits give 0.  Saturates instead of
// overflowing.
int64_t ArchiveInteger(std::string_view text);

}  // namespace pv
