// The line reader: the input is a text file, read by whole lines, by lines
// cut to a buffer size, and by blocks after a seek; each way must give back
// exactly the file's bytes.
#include <cstring>
#include <vector>

#include "FuzzSupport.h"
#include "transport/FileString.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text = pv::fuzz::AsText(data, size);
    const std::string path = pv::fuzz::Scratch() / "text.txt";
    pv::fuzz::WriteWholeFile(path, text);
    pv::CFileString file;
    PV_FUZZ_CHECK(file.Open(path, pv::platform::File::modeRead));
    PV_FUZZ_CHECK(file.GetLength() == static_cast<int64_t>(size));

    // Whole lines, without "\n" or "\r\n"; a last line without "\n" as it is.
    size_t at = 0;
    for (std::string line; file.ReadLine(line);) {
        PV_FUZZ_CHECK(at < size);
        const size_t lf = text.find('\n', at);
        std::string_view expected = text.substr(at, lf == std::string_view::npos ? std::string_view::npos : lf - at);
        if (lf != std::string_view::npos && expected.ends_with('\r')) expected.remove_suffix(1);
        PV_FUZZ_CHECK(line == expected);
        at = lf == std::string_view::npos ? size : lf + 1;
    }
    PV_FUZZ_CHECK(at == size);

    // Lines cut to a buffer: together they are the file.
    PV_FUZZ_CHECK(file.SeekToBegin() == 0);
    const int64_t bufferSize = 2 + static_cast<int64_t>(size % 97) * (size % 3 == 0 ? 300 : 1);
    std::vector<char> buffer(static_cast<size_t>(bufferSize));
    for (int64_t position = 0;;) {
        const char* got = file.ReadLine(buffer.data(), bufferSize);
        const int64_t next = file.GetPosition();
        PV_FUZZ_CHECK(next >= position && next - position < bufferSize);
        const auto taken = static_cast<size_t>(next - position);
        PV_FUZZ_CHECK(buffer[taken] == '\0');
        if (got == nullptr) {
            PV_FUZZ_CHECK(taken == 0 && position == static_cast<int64_t>(size));
            break;
        }
        PV_FUZZ_CHECK(taken > 0 && std::memcmp(got, text.data() + position, taken) == 0);
        // A piece ends at a line feed or where the buffer is full.
        PV_FUZZ_CHECK(got[taken - 1] == '\n' || taken == static_cast<size_t>(bufferSize - 1) ||
                      next == static_cast<int64_t>(size));
        position = next;
    }

    // Blocks from the middle.
    const int64_t middle = static_cast<int64_t>(size / 2);
    PV_FUZZ_CHECK(file.Seek(middle, pv::CFileString::seekBegin) == middle);
    std::string line;
    file.ReadLine(line);
    std::vector<char> block(size);
    const int64_t from = file.GetPosition();
    PV_FUZZ_CHECK(from >= middle && from <= static_cast<int64_t>(size));
    const int64_t read = file.Read(block.data(), static_cast<int64_t>(size));
    PV_FUZZ_CHECK(read == static_cast<int64_t>(size) - from);
    PV_FUZZ_CHECK(read == 0 || std::memcmp(block.data(), text.data() + from, static_cast<size_t>(read)) == 0);
    PV_FUZZ_CHECK(file.Close());
    return 0;
}
