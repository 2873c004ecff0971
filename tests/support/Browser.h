#pragma once
// Renders a local file in a real browser (headless chromium, Debian package
// "chromium") and hands back the document as the browser built it
// (--dump-dom): what a reader of a published page would see, after the
// browser has decoded it by its charset, parsed it and run its scripts.
//
// The browser runs from an argument vector (no shell), in a process group of
// its own, with a profile folder made fresh for each call and removed after
// it, and is killed with its whole group when it outlives the limit.
#include <chrono>
#include <string>

namespace pv::test {

inline constexpr const char* kChromiumPath = "/usr/bin/chromium";

struct RenderedPage {
    enum class Outcome {
        rendered,  // dom holds the document
        absent,    // no browser installed (tests skip, saying so)
        failed,    // the browser ran but gave no document; details say why
    };
    Outcome outcome = Outcome::failed;
    std::string dom;
    std::string details;  // exit status and the tail of the browser's own output

    bool Rendered() const { return outcome == Outcome::rendered; }
    bool Absent() const { return outcome == Outcome::absent; }
};

// The file:// URL of an absolute host path, bytes outside the unreserved
// set percent-encoded ("/" kept).
std::string FileUrl(const std::string& absolutePath);

// Renders the file (an absolute path).  A browser still running after the
// limit is killed and the result is failed.
RenderedPage RenderInChromium(const std::string& absolutePath,
                              std::chrono::milliseconds limit = std::chrono::seconds(90));

}  // namespace pv::test
