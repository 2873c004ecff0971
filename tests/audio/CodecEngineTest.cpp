#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "audio/CodecEngine.h"
#include "platform/DynamicLibrary.h"
#include "support/TempDir.h"

namespace pv::audio {
namespace {

TEST(CodecEngine, TheModuleIsLoadedOnceWhicheverThreadAsksFirst) {
    CodecModule codecs;
    std::vector<CodecEngine*> engines(4, nullptr);
    std::vector<std::string> errors(engines.size());
    std::vector<std::thread> threads;
    for (size_t i = 0; i < engines.size(); ++i) {
        threads.emplace_back([&, i] { engines[i] = codecs.Engine(&errors[i]); });
    }
    for (auto& thread : threads) thread.join();
    ASSERT_NE(engines[0], nullptr) << errors[0];
    for (size_t i = 0; i < engines.size(); ++i) {
        EXPECT_EQ(engines[i], engines[0]);
        EXPECT_EQ(errors[i], "");
    }
    EXPECT_NE(engines[0]->NewTranscoder(), nullptr);
}

TEST(CodecEngine, AModuleThatCannotServeFailsWithAReasonNamingIt) {
    test::TempDir dir;
    const struct {
        std::string path;
        std::string reason;
    } cases[] = {
        {dir / kCodecModuleName, "cannot open shared object file"},
        {"libm.so.6", std::string("has no entry point ") + kCodecEngineEntryPoint},
    };
    for (const auto& c : cases) {
        platform::DynamicLibrary library;
        std::string error;
        EXPECT_EQ(LoadCodecEngine(c.path, library, error), nullptr) << c.path;
        EXPECT_FALSE(library.IsLoaded());
        EXPECT_NE(error.find("cannot load " + c.path + ": "), std::string::npos) << error;
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    }
}

}  // namespace
}  // namespace pv::audio
