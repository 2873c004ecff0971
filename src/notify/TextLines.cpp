#include "notify/TextLines.h"

namespace pv {

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    if (from.empty()) return text;
    std::string out;
    out.reserve(text.size());
    size_t start = 0;
    for (size_t hit; (hit = text.find(from, start)) != std::string::npos; start = hit + from.size()) {
        out.append(text, start, hit - start);
        out += to;
    }
    out.append(text, start, std::string::npos);
    return out;
}

std::string ToCrLf(const std::string& text) { return ReplaceAll(ReplaceAll(text, "\n", "\r\n"), "\r\r\n", "\r\n"); }

}  // namespace pv
