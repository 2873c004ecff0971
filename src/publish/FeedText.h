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

// The same conversion for text that is known to be plain (a piece of story
// text that did not begin with "&nbsp;" before its blank runs were
// replaced): every character is converted, an "&nbsp;" inside it too, which
// the feed then carries as "&amp;nbsp;" - escaped HTML, as feed readers
// expect it.  So an indented line can never switch the conversion off.
void ConvertPlainTextForFeed(std::string& text);

}  // namespace pv
