#include "platform/DynamicLibrary.h"

#include <dlfcn.h>
#include <utility>

#include "platform/HostPath.h"

namespace pv::platform {

namespace {

bool IsBareName(const std::string& path) { return path.find_first_of("/\\:") == std::string::npos; }

std::string LoaderError() {
    const char* text = ::dlerror();
    return text ? text : "unknown error";
}

}  // namespace

DynamicLibrary::~DynamicLibrary() { Unload(); }

DynamicLibrary::DynamicLibrary(DynamicLibrary&& other) noexcept : m_handle(std::exchange(other.m_handle, nullptr)) {}

DynamicLibrary& DynamicLibrary::operator=(DynamicLibrary&& other) noexcept {
    if (this != &other) {
        Unload();
        m_handle = std::exchange(other.m_handle, nullptr);
    }
    return *this;
}

bool DynamicLibrary::Load(const std::string& path, std::string* error, bool keepMapped) {
    Unload();
    std::string host = path;
    std::string mapError;
    if (!IsBareName(path) && !ToHostPath(path, host, &mapError)) {
        if (error) *error = "cannot load " + path + ": " + mapError;
        return false;
    }
    m_handle = ::dlopen(host.c_str(), RTLD_NOW | RTLD_LOCAL | (keepMapped ? RTLD_NODELETE : 0));
    if (m_handle) return true;
    if (error) *error = "cannot load " + path + ": " + LoaderError();
    return false;
}

void DynamicLibrary::Unload() {
    if (m_handle) ::dlclose(std::exchange(m_handle, nullptr));
}

void* DynamicLibrary::Symbol(const std::string& name) const {
    return m_handle ? ::dlsym(m_handle, name.c_str()) : nullptr;
}

}  // namespace pv::platform
