#pragma once
// Line-end normalisation shared by the status and trace logs.
#include <string>

namespace pv {

// Replaces every occurrence of `from` by `to`, scanning left to right once.
std::string ReplaceAll(std::string text, const std::string& from, const std::string& to);
// Every "\n" becomes "\r\n", then every "\r\r\n" becomes "\r\n".
std::string ToCrLf(const std::string& text);

}  // namespace pv
