#pragma once
// Texts of files, settings and paths are Windows-1252 bytes; a boundary that
// wants Unicode (the archive database) gets UTF-8, converted here.
//
// Every byte stands for one character: the five bytes Windows-1252 leaves
// unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the C1 control of the
// same number, as Windows takes them, so any byte string comes back from a
// trip to UTF-8 and back unchanged.
#include <string>
#include <string_view>

namespace pv {

std::string Utf8FromWindows1252(std::string_view text);

// Back from UTF-8.  A character that Windows-1252 cannot hold, and every
// byte that is not part of a well-formed UTF-8 sequence (overlong forms and
// surrogates are not), becomes "?".
std::string Windows1252FromUtf8(std::string_view text);

}  // namespace pv
