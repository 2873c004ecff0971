#include "audio/CodecEngine.h"

#include <filesystem>
#include <mutex>
#include <vector>

#include "platform/DynamicLibrary.h"
#include "platform/RunningProgram.h"

namespace pv::audio {

namespace {

// Where the module may be: the one file the environment names, else next to
// the running executable (the build), then where an installation puts it
// relative to the executable, then where the build put it (test and
// benchmark programs run from other folders of the build tree).
std::vector<std::string> ModuleCandidates() {
    const std::string chosen = platform::EnvironmentValue(kCodecModuleVariable);
    if (!chosen.empty()) return {chosen};
    std::vector<std::string> paths;
    const std::string folder = platform::ExecutableFolder();
    if (!folder.empty()) paths.push_back(folder + kCodecModuleName);
#ifdef PRESSVANE_CODEC_MODULE_INSTALLED
    // Without "..": paths that climb out of a folder are never followed.
    if (!folder.empty())
        paths.push_back(std::filesystem::path(folder + PRESSVANE_CODEC_MODULE_INSTALLED).lexically_normal().string());
#endif
#ifdef PRESSVANE_CODEC_MODULE_PATH
    if (paths.empty() || paths.front() != PRESSVANE_CODEC_MODULE_PATH) paths.emplace_back(PRESSVANE_CODEC_MODULE_PATH);
#endif
    return paths;
}

}  // namespace

CodecEngine* LoadCodecEngine(const std::string& modulePath, platform::DynamicLibrary& library, std::string& error) {
    // The codec libraries the module pulls in are not all safe to unload.
    if (!library.Load(modulePath, &error, true)) return nullptr;
    const auto entry = reinterpret_cast<CodecEngineEntry>(library.Symbol(kCodecEngineEntryPoint));
    CodecEngine* engine = entry ? entry(kCodecEngineVersion) : nullptr;
    if (engine) return engine;
    error = "cannot load " + modulePath + ": " +
            (entry ? std::string("it was built for another version of the service")
                   : std::string("it has no entry point ") + kCodecEngineEntryPoint);
    library.Unload();
    return nullptr;
}

CodecModule::CodecModule() : m_library(std::make_unique<platform::DynamicLibrary>()) {}

CodecModule::~CodecModule() = default;

CodecEngine* CodecModule::Engine(std::string* error) {
    std::call_once(m_once, [this] {
        const std::vector<std::string> candidates = ModuleCandidates();
        if (candidates.empty()) m_error = std::string("cannot find ") + kCodecModuleName;
        for (const std::string& path : candidates) {
            std::string reason;
            m_engine = LoadCodecEngine(path, *m_library, reason);
            if (m_engine) {
                m_error.clear();
                break;
            }
            m_error += (m_error.empty() ? "" : "; ") + reason;
        }
    });
    if (error) *error = m_error;
    return m_engine;
}

}  // namespace pv::audio
