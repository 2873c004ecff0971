#include <gtest/gtest.h>

#include <cstring>

#include "platform/DynamicLibrary.h"
#include "support/TempDir.h"

namespace pv::platform {
namespace {

TEST(DynamicLibrary, LoadsALibraryAndFindsItsSymbols) {
    DynamicLibrary library;
    std::string error;
    ASSERT_TRUE(library.Load("libc.so.6", &error)) << error;
    EXPECT_TRUE(library.IsLoaded());
    using StrlenFunction = size_t (*)(const char*);
    const auto length = reinterpret_cast<StrlenFunction>(library.Symbol("strlen"));
    ASSERT_NE(length, nullptr);
    EXPECT_EQ(length("watchdog"), 8u);
    EXPECT_EQ(library.Symbol("pressvane_no_such_symbol"), nullptr);

    DynamicLibrary moved(std::move(library));
    EXPECT_TRUE(moved.IsLoaded());
    EXPECT_FALSE(library.IsLoaded());
    EXPECT_EQ(library.Symbol("strlen"), nullptr);
    moved.Unload();
    EXPECT_FALSE(moved.IsLoaded());
}

TEST(DynamicLibrary, AMissingOrBrokenLibraryFailsWithAReason) {
    test::TempDir dir;
    test::WriteWholeFile(dir / "broken.so", "not a shared library");
    const std::string paths[] = {dir / "missing.so", dir / "broken.so", "libpressvane-no-such.so", "Q:\\wd\\wd.so"};
    for (const auto& path : paths) {
        DynamicLibrary library;
        std::string error;
        EXPECT_FALSE(library.Load(path, &error)) << path;
        EXPECT_FALSE(library.IsLoaded());
        EXPECT_NE(error.find(path), std::string::npos) << error;
    }
}

}  // namespace
}  // namespace pv::platform
