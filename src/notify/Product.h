#pragma once
// Fixed texts of the product that show up in status lines and messages.
namespace pv {

inline constexpr const char* kProductName = "Fernwick";
inline constexpr const char* kVersionText = "Version 12.021";
// Name other instances look for, and the name handed to the watchdog.
inline constexpr const char* kServiceName = "Pressvane";

}  // namespace pv
