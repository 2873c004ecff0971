#pragma once
// How paths and file names are shown by the template macros.  Paths are
// shown without their FTP credentials ("PATH|ID|PASSWORD|"): a page never
// carries them.
#include <string>
#include <string_view>

namespace pv {

// A web form (starting, in any case, with "ftp:", "http:", "https:", "www."
// or "//www.") gets "/" for every "\"; any other path "\" for every "/".
std::string NormaliseSeparators(std::string_view path);

// The path without its server part, with "/" separators: a drive ("C:") is
// dropped, or else a scheme up to its ":" and the two characters after it;
// then, when a separator follows at a position after the first, everything
// through it (the host).  "ftp://host/web/a.htm" gives "web/a.htm",
// "C:\Web\a.htm" gives "/Web/a.htm".
std::string RemoveServerPart(std::string_view path);

// The path as a page may show it: the credential part taken out (cut at its
// first "|" when it is malformed).
std::string ShownPath(std::string_view path);

// The "Chars" macros: parameters "first,last" pick the characters first to
// last of text (counted from 0, both included), clamped to the text.  The
// numbers are read as the standard string-to-integer conversion reads them
// (text that is no number counts as 0).  Empty without the comma.
std::string CharacterRange(const std::string& text, std::string_view parameters);

}  // namespace pv
