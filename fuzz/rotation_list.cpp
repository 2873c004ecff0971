// Rotation lists and rotation files.  The first byte says which the rest
// is: a list (".rpl") or a rotation file (".rot"); its entries may name the
// two audio files of the folder, the list itself, or anything else.  After
// every resolution the list is still there and whole: unchanged when
// nothing was given, else its own lines with exactly one marker, right
// behind the entry given.  A rotation file gives one list line per whole
// 9-byte record after its 768-byte header.  Nothing is left behind under a
// temporary name.
#include <algorithm>
#include <filesystem>
#include <vector>

#include "FuzzSupport.h"
#include "platform/Reporter.h"
#include "rotation/ListFiles.h"
#include "rotation/PlayName.h"
#include "rotation/PlayRotationEngine.h"

namespace {

using pv::rotation::kPlayNextMarker;

std::string ReadWhole(const std::string& path) {
    std::string bytes;
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) bytes.append(buffer, n);
        std::fclose(file);
    }
    return bytes;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        // A carriage return belongs to the line end only before a line feed.
        if (end < text.size() && !line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        at = end + 1;
    }
    return lines;
}

std::vector<std::string> WithoutMarkers(std::vector<std::string> lines) {
    lines.erase(std::remove(lines.begin(), lines.end(), std::string(kPlayNextMarker)), lines.end());
    return lines;
}

void CheckAdvanced(const std::string& before, const std::string& after, const pv::PlayChoice& choice) {
    if (!choice.Usable()) {
        PV_FUZZ_CHECK(after == before);
        return;
    }
    const std::vector<std::string> lines = Lines(after);
    PV_FUZZ_CHECK(std::count(lines.begin(), lines.end(), std::string(kPlayNextMarker)) == 1);
    const auto marker = std::find(lines.begin(), lines.end(), std::string(kPlayNextMarker));
    PV_FUZZ_CHECK(marker != lines.begin() && pv::rotation::ListEntry(*(marker - 1)).has_value());
    PV_FUZZ_CHECK(WithoutMarkers(lines) == WithoutMarkers(Lines(before)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    auto& scratch = pv::fuzz::Scratch();
    static const bool audio = [&] {
        // Two tiny PCM WAV files the entries may name.
        std::string wav = "RIFF";
        const char body[] = "WAVEfmt \x10\0\0\0\x01\0\x01\0\x40\x1f\0\0\x80\x3e\0\0\x02\0\x10\0data\x04\0\0\0\0\0\0\0";
        const uint32_t riffSize = sizeof body - 1;
        wav.append(reinterpret_cast<const char*>(&riffSize), 4);
        wav.append(body, sizeof body - 1);
        pv::fuzz::WriteWholeFile(scratch / "a.wav", wav);
        pv::fuzz::WriteWholeFile(scratch / "b.wav", wav);
        return true;
    }();
    (void)audio;
    // Entries stay inside the scratch folder: no separators, drives or schemes.
    std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::replace_if(bytes.begin(), bytes.end(), [](char c) { return c == '/' || c == '\\' || c == ':'; }, '_');
    const bool rotationFile = data[0] & 1;
    const std::string list = scratch / "L.rpl";
    std::filesystem::remove(list);
    pv::fuzz::WriteWholeFile(scratch / (rotationFile ? "L.rot" : "L.rpl"), bytes);

    pv::CAudioFileHeaderCache headers;
    pv::NullReporter quiet;
    pv::CPlayRotationEngine engine(headers, scratch.Folder(), quiet);
    const std::string playName = rotationFile ? "L.rot" : "L";
    for (int call = 0; call < 3; ++call) {
        const std::string before = ReadWhole(list);
        pv::PlayChoice choice;
        engine.ResolvePlayName(engine.PlayFolder(), playName, choice);
        PV_FUZZ_CHECK(std::filesystem::exists(list));
        const std::string after = ReadWhole(list);
        if (rotationFile && call == 0) {
            const size_t records = bytes.size() < 768 ? 0 : (bytes.size() - 768) / 9;
            PV_FUZZ_CHECK(WithoutMarkers(Lines(after)).size() == records);
        } else {
            CheckAdvanced(before, after, choice);
        }
        PV_FUZZ_CHECK(!std::filesystem::exists(scratch / "L_$$QM.rpl"));
    }
    std::filesystem::remove(scratch / "L.rot");
    return 0;
}
