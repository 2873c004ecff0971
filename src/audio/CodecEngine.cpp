#include "audio/CodecEngine.h"

#include <mutex>
#include <vector>

#include "platform/DynamicLibrary.h"
#include "platform/RunningProgram.h"

namespace pv::audio {

namespace {

// Where the module may be: the one file the environment names, else next to
// the running executable, then where the build put it (test and benchmark
// programs run from other folders of the build tree).
std::vector<std::string> ModuleCandidates() {
    const std::string chosen = platform::EnvironmentValue(kCodecModuleVariable);
    if (!chosen.empty()) return {chosen};
    std::vector<std::string> paths;
    const std::string folder = platform::ExecutableFolder();
    if (!folder.empty()) paths.push_back(folder + kCodecModuleName);
#ifdef PRESSVANE_CODEC_MODULE_PATH
    if (paths.empty() || paths.front() != PRESSVANE_CODEC_MODULE_PATH) paths.emplace_back(PRESSVANE_CODEC_MODULE_PATH);
#endif
    return paths;
}

struct SharedEngine {
    platform::DynamicLibrary library;
    CodecEngine* engine = nullptr;
    std::string error;
};

SharedEngine* LoadSharedEngine() {
    auto* shared = new SharedEngine;
    const std::vector<std::string> candidates = ModuleCandidates();
    if (candidates.empty()) shared->error = std::string("cannot find ") + kCodecModuleName;
    for (const std::string& path : candidates) {
        std::string reason;
        shared->engine = LoadCodecEngine(path, shared->library, reason);
        if (shared->engine) {
            shared->error.clear();
            break;
        }
        shared->error += (shared->error.empty() ? "" : "; ") + reason;
    }
    return shared;
}

}  // namespace

CodecEngine* LoadCodecEngine(const std::string& modulePath, platform::DynamicLibrary& library, std::string& error) {
    if (!library.Load(modulePath, &error)) return nullptr;
    const auto entry = reinterpret_cast<CodecEngineEntry>(library.Symbol(kCodecEngineEntryPoint));
    CodecEngine* engine = entry ? entry(kCodecEngineVersion) : nullptr;
    if (engine) return engine;
    error = "cannot load " + modulePath + ": " +
            (entry ? std::string("it was built for another version of the service")
                   : std::string("it has no entry point ") + kCodecEngineEntryPoint);
    library.Unload();
    return nullptr;
}

CodecEngine* SharedCodecEngine(std::string* error) {
    // Loaded once, by whichever thread comes first, and never unloaded:
    // engine objects may still be in use while the process ends.
    static std::once_flag once;
    static const SharedEngine* shared = nullptr;
    std::call_once(once, [] { shared = LoadSharedEngine(); });
    if (error) *error = shared->error;
    return shared->engine;
}

}  // namespace pv::audio
