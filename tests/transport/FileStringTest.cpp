#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TempDir.h"
#include "transport/FileString.h"

namespace pv {
namespace {

using platform::File;

constexpr unsigned kReadMode = File::modeRead | File::shareDenyNone;
constexpr unsigned kWriteMode = File::modeWrite | File::modeCreate;

std::vector<std::string> ReadAllLines(const std::string& path) {
    CFileString file;
    EXPECT_TRUE(file.Open(path, kReadMode));
    std::vector<std::string> lines;
    std::string line;
    while (file.ReadLine(line)) lines.push_back(line);
    EXPECT_EQ(line, "");
    EXPECT_FALSE(file.ReadLine(line));  // stays at end of file
    EXPECT_TRUE(file.Close());
    return lines;
}

// What ReadLine(std::string&) should give: split at "\n", one "\r" before a
// line feed dropped, a last line without line feed kept as it is.
std::vector<std::string> ExpectedLines(const std::string& content) {
    std::vector<std::string> lines;
    std::string::size_type start = 0;
    while (start < content.size()) {
        const auto lineFeed = content.find('\n', start);
        if (lineFeed == std::string::npos) {
            lines.push_back(content.substr(start));
            break;
        }
        std::string line = content.substr(start, lineFeed - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = lineFeed + 1;
    }
    return lines;
}

// Deterministic text whose lines straddle buffer boundaries, some of them
// longer than the whole read-ahead buffer.
std::string MixedText() {
    const int lengths[] = {0, 1, 9998, 10001, 19999, 20000, 20001, 0, 45000, 3, 5001, 12, 30000};
    std::string text;
    char fill = 'a';
    for (const int length : lengths) {
        text.append(static_cast<size_t>(length), fill);
        text += (length % 2) ? "\r\n" : "\n";
        fill = fill == 'z' ? 'a' : static_cast<char>(fill + 1);
    }
    text += "last line without end";
    return text;
}

TEST(FileStringReadLine, SplitsLinesAndDropsLineEnds) {
    const struct {
        std::string content;
        std::vector<std::string> lines;
    } cases[] = {
        {"", {}},
        {"one\ntwo\n", {"one", "two"}},
        {"one\r\ntwo", {"one", "two"}},
        {"cr kept\r\r\n", {"cr kept\r"}},
        {"\n\nx\n", {"", "", "x"}},
        {"\r\n", {""}},
        {"last\r", {"last\r"}},
        {"a\rb\n", {"a\rb"}},
        {std::string("nul\0byte\n", 9), {std::string("nul\0byte", 8)}},
    };
    test::TempDir dir;
    for (const auto& c : cases) {
        test::WriteWholeFile(dir / "t.txt", c.content);
        EXPECT_EQ(ReadAllLines(dir / "t.txt"), c.lines) << "content: " << c.content;
    }
}

TEST(FileStringReadLine, ReadsLinesLongerThanTheBufferWhole) {
    test::TempDir dir;
    const std::string text = MixedText();
    test::WriteWholeFile(dir / "long.txt", text);
    EXPECT_EQ(ReadAllLines(dir / "long.txt"), ExpectedLines(text));
}

TEST(FileStringReadLine, LongLastLineWithoutLineFeedIsOneLine) {
    test::TempDir dir;
    const std::string line(65000, 'q');
    test::WriteWholeFile(dir / "t.txt", line);
    EXPECT_EQ(ReadAllLines(dir / "t.txt"), std::vector<std::string>{line});
}

TEST(FileStringReadLine, IntoBufferKeepsLineFeedAndEndsWithNull) {
    test::TempDir dir;
    test::WriteWholeFile(dir / "t.txt", "ab\r\n\ncd");
    CFileString file;
    ASSERT_TRUE(file.Open(dir / "t.txt", kReadMode));
    char buffer[16];
    EXPECT_EQ(file.ReadLine(buffer, sizeof buffer), buffer);
    EXPECT_STREQ(buffer, "ab\r\n");
    EXPECT_EQ(file.ReadLine(buffer, sizeof buffer), buffer);
    EXPECT_STREQ(buffer, "\n");
    EXPECT_EQ(file.ReadLine(buffer, sizeof buffer), buffer);
    EXPECT_STREQ(buffer, "cd");
    EXPECT_EQ(file.ReadLine(buffer, sizeof buffer), nullptr);
    EXPECT_STREQ(buffer, "");
}

TEST(FileStringReadLine, IntoSmallBufferContinuesInNextCall) {
    test::TempDir dir;
    test::WriteWholeFile(dir / "t.txt", "abcde\nf\n");
    CFileString file;
    ASSERT_TRUE(file.Open(dir / "t.txt", kReadMode));
    char buffer[3];
    std::vector<std::string> pieces;
    while (file.ReadLine(buffer, sizeof buffer)) pieces.emplace_back(buffer);
    EXPECT_EQ(pieces, (std::vector<std::string>{"ab", "cd", "e\n", "f\n"}));
}

TEST(FileStringReadLine, IntoLargeBufferTakesLineLongerThanReadAhead) {
    test::TempDir dir;
    const std::string line = std::string(30000, 'x') + "\n";
    test::WriteWholeFile(dir / "t.txt", line + "next\n");
    CFileString file;
    ASSERT_TRUE(file.Open(dir / "t.txt", kReadMode));
    std::vector<char> buffer(40000);
    ASSERT_NE(file.ReadLine(buffer.data(), static_cast<int64_t>(buffer.size())), nullptr);
    EXPECT_EQ(std::string(buffer.data()), line);
    ASSERT_NE(file.ReadLine(buffer.data(), static_cast<int64_t>(buffer.size())), nullptr);
    EXPECT_EQ(std::string(buffer.data()), "next\n");
}

TEST(FileStringRead, MixedSizesDeliverTheFileInOrder) {
    test::TempDir dir;
    std::string content;
    for (int i = 0; i < 70000; ++i) content += static_cast<char>('A' + i % 53);
    test::WriteWholeFile(dir / "data.bin", content);

    CFileString file;
    ASSERT_TRUE(file.Open(dir / "data.bin", kReadMode));
    std::string line;
    ASSERT_TRUE(file.ReadLine(line));  // no line feed at all: the whole file
    EXPECT_EQ(line, content);
    ASSERT_EQ(file.SeekToBegin(), 0);

    std::string got;
    std::vector<char> chunk(30000);
    for (const int64_t size : {0, 1, 7000, 3, 12000, 4999, 5001, 20000, 30000}) {
        const int64_t n = file.Read(chunk.data(), size);
        ASSERT_GE(n, 0);
        got.append(chunk.data(), static_cast<size_t>(n));
        EXPECT_EQ(file.GetPosition(), static_cast<int64_t>(got.size()));
    }
    EXPECT_EQ(got, content);  // the last request was cut at end of file
    EXPECT_EQ(file.Read(chunk.data(), 10), 0);
}

TEST(FileStringPosition, IsTheLogicalPositionAfterLinesRead) {
    test::TempDir dir;
    test::WriteWholeFile(dir / "t.txt", "first\r\nsecond\nthird\n");
    CFileString file;
    ASSERT_TRUE(file.Open(dir / "t.txt", kReadMode));
    std::string line;
    ASSERT_TRUE(file.ReadLine(line));
    ASSERT_TRUE(file.ReadLine(line));
    EXPECT_EQ(file.GetPosition(), 14);
    EXPECT_EQ(file.Seek(0, CFileString::seekCurrent), 14);
    EXPECT_EQ(file.GetPosition(), 14);
    ASSERT_TRUE(file.ReadLine(line));
    EXPECT_EQ(line, "third");

    ASSERT_EQ(file.Seek(7, CFileString::seekBegin), 7);
    ASSERT_TRUE(file.ReadLine(line));
    EXPECT_EQ(file.Seek(-7, CFileString::seekCurrent), 7);  // back over "second\n"
    ASSERT_TRUE(file.ReadLine(line));
    EXPECT_EQ(line, "second");
    EXPECT_EQ(file.Seek(-6, CFileString::seekEnd), 14);
    EXPECT_EQ(file.Seek(-1, CFileString::seekBegin), -1);
    EXPECT_EQ(file.Seek(0, 3), -1);
}

TEST(FileStringFlush, MovesFileBackToTheLogicalPosition) {
    test::TempDir dir;
    test::WriteWholeFile(dir / "t.txt", "a\nb\nc\n");
    CFileString file;
    ASSERT_TRUE(file.Open(dir / "t.txt", kReadMode));
    std::string line;
    ASSERT_TRUE(file.ReadLine(line));
    ASSERT_TRUE(file.Flush());
    EXPECT_EQ(file.GetPosition(), 2);
    ASSERT_TRUE(file.ReadLine(line));
    EXPECT_EQ(line, "b");
}

TEST(FileStringWrite, AfterReadsLandsAtTheLogicalPosition) {
    test::TempDir dir;
    test::WriteWholeFile(dir / "t.txt", "line one\nline two\n");
    CFileString file;
    ASSERT_TRUE(file.Open(dir / "t.txt", File::modeReadWrite));
    std::string line;
    ASSERT_TRUE(file.ReadLine(line));
    ASSERT_TRUE(file.Write("LINE", 4));
    EXPECT_EQ(file.GetPosition(), 13);
    ASSERT_TRUE(file.ReadLine(line));
    EXPECT_EQ(line, " two");
    ASSERT_TRUE(file.Close());
    EXPECT_EQ(test::ReadWholeFile(dir / "t.txt"), "line one\nLINE two\n");
}

TEST(FileStringWriteText, TurnsEveryLineFeedIntoCrLf) {
    const struct {
        std::string text;
        std::string written;
    } cases[] = {
        {"", ""},
        {"a\nb", "a\r\nb"},
        {"\n\n", "\r\n\r\n"},
        {"crlf\r\n", "crlf\r\r\n"},
        {"lone\rcr", "lone\rcr"},
    };
    test::TempDir dir;
    for (const auto& c : cases) {
        CFileString file;
        ASSERT_TRUE(file.Open(dir / "w.txt", kWriteMode));
        ASSERT_TRUE(file.WriteText(c.text));
        ASSERT_TRUE(file.Close());
        EXPECT_EQ(test::ReadWholeFile(dir / "w.txt"), c.written) << "text: " << c.text;
    }
}

TEST(FileStringWriteText, HasNoSizeLimitAndReadsBackLineByLine) {
    test::TempDir dir;
    std::string text;
    std::vector<std::string> lines;
    for (int i = 0; i < 20000; ++i) {
        lines.push_back(std::to_string(i * 7919));
        text += lines.back() + "\n";
    }
    CFileString file;
    ASSERT_TRUE(file.Open(dir / "w.txt", kWriteMode));
    ASSERT_TRUE(file.WriteText(text));
    ASSERT_TRUE(file.Close());
    EXPECT_EQ(test::ReadWholeFile(dir / "w.txt").size(), text.size() + lines.size());
    EXPECT_EQ(ReadAllLines(dir / "w.txt"), lines);
}

TEST(FileStringClose, FailsAfterAFailedWrite) {
    test::TempDir dir;
    test::WriteWholeFile(dir / "t.txt", "keep\n");
    CFileString file;
    ASSERT_TRUE(file.Open(dir / "t.txt", kReadMode));
    EXPECT_FALSE(file.WriteText("lost\n"));
    EXPECT_FALSE(file.Close());
    EXPECT_EQ(test::ReadWholeFile(dir / "t.txt"), "keep\n");

    // The failure belongs to that opening only.
    ASSERT_TRUE(file.Open(dir / "t.txt", kReadMode));
    EXPECT_TRUE(file.Close());
}

// Reads and writes at an offset leave the position and the read-ahead as
// they were; a failed one makes Close fail as a failed Write does.
TEST(FileStringAt, LeavesThePositionAndTheReadAheadAlone) {
    test::TempDir dir;
    test::WriteWholeFile(dir / "n.txt", "one\ntwo\nthree\n");
    CFileString file;
    ASSERT_TRUE(file.Open(dir / "n.txt", File::modeReadWrite));
    std::string line;
    ASSERT_TRUE(file.ReadLine(line));
    char head[3] = {};
    EXPECT_EQ(file.ReadAt(0, head, 3), 3);
    EXPECT_EQ(std::string(head, 3), "one");
    EXPECT_TRUE(file.WriteAt(4, "TWO", 3));
    EXPECT_EQ(file.GetPosition(), 4);
    ASSERT_TRUE(file.ReadLine(line));
    EXPECT_EQ(line, "two");  // read ahead before the write
    EXPECT_EQ(file.ReadAt(14, head, 3), 0);
    EXPECT_TRUE(file.Close());
    EXPECT_EQ(test::ReadWholeFile(dir / "n.txt"), "one\nTWO\nthree\n");

    ASSERT_TRUE(file.Open(dir / "n.txt", kReadMode));
    EXPECT_FALSE(file.WriteAt(0, "x", 1));
    EXPECT_FALSE(file.Close());
    EXPECT_EQ(test::ReadWholeFile(dir / "n.txt"), "one\nTWO\nthree\n");
}

TEST(FileStringClose, FailsWhenTheDeviceIsFull) {
    CFileString file;
    if (!file.Open("/dev/full", File::modeWrite)) GTEST_SKIP() << "no /dev/full";
    EXPECT_FALSE(file.Write("x", 1));
    EXPECT_FALSE(file.Close());
}

TEST(FileStringRead, ReadErrorActsAsEndOfData) {
    test::TempDir dir;
    CFileString file;
    ASSERT_TRUE(file.Open(dir.Path().string(), kReadMode));  // reading a folder fails
    std::string line = "old";
    EXPECT_FALSE(file.ReadLine(line));
    EXPECT_EQ(line, "");
    std::vector<char> buffer(6000);
    EXPECT_EQ(file.Read(buffer.data(), 8), 0);
    EXPECT_EQ(file.Read(buffer.data(), 6000), 0);
}

TEST(FileStringRead, AReadErrorIsNotedUntilTheFileIsClosed) {
    test::TempDir dir;
    test::WriteWholeFile(dir / "t.txt", "line\n");
    CFileString file;
    ASSERT_TRUE(file.Open(dir / "t.txt", kReadMode));
    std::string line;
    while (file.ReadLine(line)) {}
    EXPECT_FALSE(file.ReadFailed());  // the end of a file is no failure

    ASSERT_TRUE(file.Open(dir.Path().string(), kReadMode));
    std::vector<char> buffer(6000);
    EXPECT_EQ(file.Read(buffer.data(), 6000), 0);  // straight from the file
    EXPECT_TRUE(file.ReadFailed());
    EXPECT_EQ(file.SeekToBegin(), 0);
    EXPECT_TRUE(file.ReadFailed());

    file.Close();
    EXPECT_FALSE(file.ReadFailed());
    ASSERT_TRUE(file.Open(dir.Path().string(), kReadMode));
    EXPECT_FALSE(file.ReadLine(line));  // through the read-ahead
    EXPECT_TRUE(file.ReadFailed());
}

TEST(FileStringOpen, ReportsFailureWithText) {
    test::TempDir dir;
    CFileString file;
    std::string error;
    EXPECT_FALSE(file.Open(dir / "missing.txt", kReadMode, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(file.IsOpen());
}

}  // namespace
}  // namespace pv
