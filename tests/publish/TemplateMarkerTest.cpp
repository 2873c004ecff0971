#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "publish/TemplateMarker.h"

namespace pv {
namespace {

struct ScanCase {
    std::string line;
    std::vector<std::string> names;  // "!" + rest for a corrupt marker
    std::string text;                // the text around the markers
};

// Every marker of a line, as the engine walks it.
ScanCase Scan(const std::string& line) {
    ScanCase scan{line, {}, {}};
    std::string_view rest = line;
    while (const std::optional<FoundMarker> marker = FindMarker(rest)) {
        scan.text += marker->before;
        rest = marker->after;
        if (marker->corrupt) {
            scan.names.push_back("!" + std::string(rest));
            return scan;
        }
        scan.names.emplace_back(marker->name);
        scan.text += "|";
    }
    scan.text += rest;
    return scan;
}

TEST(TemplateMarker, FindsEveryMarkerOfALine) {
    const std::vector<ScanCase> cases = {
        {"a <!--Quillmark Slug --> b <!--Quillmark Show --> c", {"Slug", "Show"}, "a | b | c"},
        {"<!--Quillmark Template Name News begin -->", {"Template Name News begin"}, "|"},
        {"<!--Quillmark Slug --><!--Quillmark Show -->", {"Slug", "Show"}, "||"},
        {"<!--Quillmark  -->", {""}, "|"},
        {"<!--Quillmark -->", {"!<!--Quillmark -->"}, ""},
        {"x <!--Quillmark Slug", {"!<!--Quillmark Slug"}, "x "},
        {"<!--Quillmark Slug -->-->", {"Slug"}, "|-->"},
        {"<!--Quillmark a <!--Quillmark b -->", {"a <!--Quillmark b"}, "|"},
        {"<!--quillmark Slug -->", {}, "<!--quillmark Slug -->"},
        {"<!--Quillmark\tSlug -->", {}, "<!--Quillmark\tSlug -->"},
        {"", {}, ""},
    };
    for (const ScanCase& c : cases) {
        const ScanCase scanned = Scan(c.line);
        EXPECT_EQ(scanned.names, c.names) << c.line;
        EXPECT_EQ(scanned.text, c.text) << c.line;
    }
}

TEST(TemplateMarker, MarkerTextAndKeywords) {
    EXPECT_EQ(MarkerText("End Replace"), "<!--Quillmark End Replace -->");
    EXPECT_TRUE(NameStartsWith("begin replace a b", "Begin Replace "));
    EXPECT_FALSE(NameStartsWith("Begin", "Begin Replace "));
}

}  // namespace
}  // namespace pv
