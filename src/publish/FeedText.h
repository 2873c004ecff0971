#pragma once
// Text made fit for a news feed: the characters a feed reader would take for
// markup, and the Latin-1 letters, become character entities.  Text is
// Windows-1252 bytes.
#include <string>

namespace pv {

// Converts text in place.  The characters are visited from the last to the
// first; while the text (as converted so far) begins with "&nbsp;" a
// character is left alone, so a text that begins with "&nbsp;" is taken as
// converted already.  Otherwise:
//   '"', '`', 146, 180  -> "&quot;"
//   '&'                 -> "&amp;", except as the very last character
//   '\''                -> "&apos;"
//   '<', '>'            -> "&lt;", "&gt;"
//   160                 -> "&nbsp;"
//   192 to 255          -> the HTML 4.01 entity ("&Agrave;" ... "&yuml;")
// Then runs of blanks, of "_" and of "-" shrink to one character each.
void ConvertForFeed(std::string& text);

}  // namespace pv
