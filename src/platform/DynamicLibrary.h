#pragma once
// A shared library loaded at run time (the watchdog library, the codec
// module), unloaded when the object goes away.
#include <string>

namespace pv::platform {

class DynamicLibrary {
public:
    DynamicLibrary() = default;
    ~DynamicLibrary();
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;
    DynamicLibrary(DynamicLibrary&& other) noexcept;
    DynamicLibrary& operator=(DynamicLibrary&& other) noexcept;

    // Loads the library, unloading any loaded before.  A bare name
    // ("libwatchdog.so") is looked up by the system loader; anything with a
    // separator or drive is a local path mapped through ToHostPath.  All
    // symbols are resolved now, so a library that cannot work fails here.
    // keepMapped: the code stays in memory after Unload, for libraries (and
    // what they pull in) that cannot be unloaded safely.
    bool Load(const std::string& path, std::string* error = nullptr, bool keepMapped = false);
    void Unload();
    bool IsLoaded() const { return m_handle != nullptr; }
    // Address of an exported symbol; nullptr when absent or nothing is loaded.
    void* Symbol(const std::string& name) const;

private:
    void* m_handle = nullptr;
};

}  // namespace pv::platform
