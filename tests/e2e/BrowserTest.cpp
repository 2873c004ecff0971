// The browser helper the page tests rely on: a file whose path needs
// escaping in a URL is found, decoded by its declared charset, and its
// scripts have run by the time the document is handed back.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/Browser.h"
#include "support/TempDir.h"

namespace pv {
namespace {

TEST(Browser, FileUrlEscapesEverythingButPlainCharacters) {
    EXPECT_EQ(test::FileUrl("/tmp/site/News_1-2.htm"), "file:///tmp/site/News_1-2.htm");
    EXPECT_EQ(test::FileUrl("/tmp/a b#c%d?e\xe9.htm"), "file:///tmp/a%20b%23c%25d%3Fe%E9.htm");
}

TEST(Browser, RendersALocalPageByItsCharsetAfterItsScripts) {
    test::TempDir dir;
    const std::string folder = dir / "news room #1 100%";
    std::filesystem::create_directories(folder);
    const std::string page = folder + "/caf\xe9.htm";
    test::WriteWholeFile(page,
                         "<html><head><meta charset=\"windows-1252\"></head>\r\n"
                         "<body><p id=\"text\">Caf\xe9 \x80 5</p>\r\n"
                         "<script>document.body.setAttribute('data-charset', document.characterSet);</script>\r\n"
                         "</body></html>\r\n");
    const test::RenderedPage shown = test::RenderInChromium(page);
    if (shown.Absent()) GTEST_SKIP() << shown.details;
    ASSERT_TRUE(shown.Rendered()) << shown.details;
    // Windows-1252 0xE9 and 0x80 come back as UTF-8 e acute and euro sign.
    EXPECT_NE(shown.dom.find("<p id=\"text\">Caf\xc3\xa9 \xe2\x82\xac 5</p>"), std::string::npos) << shown.dom;
    EXPECT_NE(shown.dom.find("data-charset=\"windows-1252\""), std::string::npos) << shown.dom;
}

}  // namespace
}  // namespace pv
