#pragma once
// A newly made random GUID (version 4, RFC 4122 variant) in the text form
// "xxxxxxxx-xxxx-4xxx-yxxx-xxxxxxxxxxxx": 36 characters, lower-case
// hexadecimal digits in groups of 8, 4, 4, 4 and 12, no braces.
#include <array>
#include <cstdint>
#include <string>

namespace pv::platform {

std::string NewGuidText();

// The text form of sixteen bytes, with the version and variant bits set.
std::string GuidText(std::array<uint8_t, 16> bytes);

}  // namespace pv::platform
