#include <gtest/gtest.h>

#include "support/AudioTestSupport.h"
#include "audio/AudioFileHeader.h"
#include "support/RecordingReporter.h"
#include "support/TempDir.h"

using namespace std::string_literals;

namespace pv {
namespace {

using test::Chunk;
using test::LE32;
using test::PcmWav;
using test::ReadWholeFile;
using test::WriteWholeFile;

class AudioFileHeaderTest : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string path = m_dir / name;
        WriteWholeFile(path, bytes);
        return path;
    }
    test::TempDir m_dir;
    test::RecordingReporter m_reporter;
};

std::string TagList(const std::string& block) { return Chunk("LIST", "INFO" + Chunk("ICMT", block)); }

TEST_F(AudioFileHeaderTest, AFileWithoutTagsGivesEmptyTagsAndDefaults) {
    CAudioFileHeader header;
    ASSERT_TRUE(header.ReadHeader(Write("a.wav", PcmWav(2, 44100, 16, 176400 * 3 + 1000))));
    for (int tag = 0; tag < kAudioTagCount; ++tag) EXPECT_EQ(header.Tag(static_cast<AudioTag>(tag)), "");
    EXPECT_EQ(header.StartTime(), audio::MakeLocalTime(2002, 1, 1, 0, 0, 0));
    EXPECT_EQ(header.StopTime(), audio::MakeLocalTime(2037, 1, 1, 23, 59, 59));
    for (auto flag : header.DayPartFlags()) EXPECT_EQ(flag, 1);
    EXPECT_EQ(header.SampleRate(), 44100u);
    EXPECT_EQ(header.FormatTag(), 1);
    EXPECT_EQ(header.LengthMs(), 3005);
    EXPECT_EQ(header.LengthSeconds(), 3);
    EXPECT_FALSE(header.HasCart());
}

TEST_F(AudioFileHeaderTest, LengthIsRoundedToSecondsAndZeroByteRateGivesNoLength) {
    const struct {
        uint32_t byteRate;
        size_t dataBytes;
        int64_t ms;
        int seconds;
    } cases[] = {{1000, 2499, 2499, 2}, {1000, 2500, 2500, 3}, {8000, 4, 0, 0}, {0, 5000, 0, 0}};
    for (const auto& c : cases) {
        std::string fmt = test::PcmFormat(1, 8000, 8);
        fmt.replace(8, 4, LE32(c.byteRate));
        const std::string path = Write("len.wav", test::RiffWave(Chunk("fmt ", fmt) + Chunk("data", std::string(c.dataBytes, 'x'))));
        CAudioFileHeader header;
        ASSERT_TRUE(header.ReadHeader(path));
        EXPECT_EQ(header.LengthMs(), c.ms) << c.byteRate << " " << c.dataBytes;
        EXPECT_EQ(header.LengthSeconds(), c.seconds);
    }
}

TEST_F(AudioFileHeaderTest, TagsRoundTripThroughTheFile) {
    // Odd data sizes need a pad byte before the tags; both lengths of tag
    // block (odd and even) must read back.
    for (const size_t dataBytes : {size_t{3}, size_t{4}}) {
        for (const std::string& desc : {"Line one\r\nline two"s, "Line one\r\nline two!"s}) {
            const std::string path = Write("t.wav", PcmWav(1, 8000, 8, dataBytes));
            CAudioFileHeader written;
            ASSERT_TRUE(written.ReadHeader(path));
            written.SetTag(tagDescription, desc);
            written.SetTag(tagArtist, "Ann Other");
            written.SetTag(tagIntroTime, "7.25");
            written.SetTag(tagStopDate, "12/31/2005");
            written.SetTag(tagYear, "1999");
            audio::DayPartFlags flags{};
            flags[5] = flags[167] = 1;
            written.SetDayPartFlags(flags);
            ASSERT_TRUE(written.WriteTagsToFile(path, false)) << written.LastError();

            CAudioFileHeader read;
            ASSERT_TRUE(read.ReadHeader(path));
            EXPECT_EQ(read.Tag(tagDescription), desc);
            EXPECT_EQ(read.Tag(tagArtist), "Ann Other");
            EXPECT_EQ(read.Tag(tagYear), "1999");
            EXPECT_EQ(read.IntroTimeMs(), 7250);
            EXPECT_EQ(read.StopTime(), audio::MakeLocalTime(2005, 12, 31, 23, 59, 59));
            EXPECT_EQ(read.DayPartFlags(), flags);
            EXPECT_EQ(read.BuildTagBlock(), written.BuildTagBlock());

            const std::string bytes = ReadWholeFile(path);
            const size_t list = test::FindTopChunk(bytes, "LIST");
            ASSERT_NE(list, std::string::npos);
            EXPECT_EQ(list, 12 + 8 + 16 + 8 + dataBytes + (dataBytes & 1));
            const size_t blockLength = written.BuildTagBlock().size();
            const uint32_t commentSize = test::ChunkSize(bytes, list + 12);
            EXPECT_EQ(commentSize, blockLength + (blockLength & 1));
            EXPECT_EQ(test::ChunkSize(bytes, list), commentSize + 12);
            EXPECT_EQ(bytes.size(), list + 8 + commentSize + 12);
            EXPECT_EQ(test::ChunkSize(bytes, 0), bytes.size() - 8);
        }
    }
}

TEST_F(AudioFileHeaderTest, SoxStillReadsATaggedFile) {
    const std::string path = m_dir / "sox.wav";
    ASSERT_TRUE(test::MakeSine(path, 8000, 1, 16, 0.25));
    CAudioFileHeader header;
    ASSERT_TRUE(header.ReadHeader(path));
    header.SetTag(tagDescription, "x");
    ASSERT_TRUE(header.WriteTagsToFile(path, false));
    const auto info = test::RunTool({"sox", "--i", "-s", path});
    EXPECT_EQ(info.exitCode, 0) << info.output;
    EXPECT_EQ(info.output, "2000\n");
}

TEST_F(AudioFileHeaderTest, WritingTagsKeepsChunksBeforeDataAndDropsThoseAfter) {
    const std::string before = Chunk("bext", "before!");
    const std::string after = Chunk("junk", "after") + TagList("QMTGDESC:old\r\n");
    const std::string path = Write("c.wav", PcmWav(1, 8000, 16, 8, before, after));
    CAudioFileHeader header;
    ASSERT_TRUE(header.ReadHeader(path));
    EXPECT_EQ(header.Tag(tagDescription), "old");
    header.SetTag(tagDescription, "new");
    ASSERT_TRUE(header.WriteTagsToFile(path, false));
    const std::string bytes = ReadWholeFile(path);
    EXPECT_NE(test::FindTopChunk(bytes, "bext"), std::string::npos);
    EXPECT_EQ(test::FindTopChunk(bytes, "junk"), std::string::npos);
    ASSERT_TRUE(header.ReadHeader(path));
    EXPECT_EQ(header.Tag(tagDescription), "new");
}

TEST_F(AudioFileHeaderTest, WrittenTagsReadBackWhereAnInfoListPrecedesTheData) {
    const std::string fmt = Chunk("fmt ", test::PcmFormat(1, 8000, 8));
    const std::string data = Chunk("data", std::string(9, 'x'));
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"another program's INFO list",
         test::RiffWave(fmt + Chunk("LIST", "INFO" + Chunk("ISFT", "Lavf59\0"s)) + data)},
        {"older tags", test::RiffWave(fmt + TagList("QMTGBEGN\r\nQMTGDESC:old\r\nQMTGENDL\r\n") + data)},
        {"older tags on both sides",
         test::RiffWave(fmt + TagList("QMTGDESC:first\r\n") + data + TagList("QMTGDESC:second\r\n"))},
    };
    for (const auto& c : cases) {
        const std::string path = Write("i.wav", c.bytes);
        CAudioFileHeader header;
        ASSERT_TRUE(header.ReadHeader(path)) << c.what;
        header.SetTag(tagDescription, "new");
        header.SetTag(tagArtist, "Ann Other");
        ASSERT_TRUE(header.WriteTagsToFile(path, false)) << c.what;
        CAudioFileHeader reread;
        ASSERT_TRUE(reread.ReadHeader(path)) << c.what;
        EXPECT_EQ(reread.Tag(tagDescription), "new") << c.what;
        EXPECT_EQ(reread.Tag(tagArtist), "Ann Other") << c.what;
        EXPECT_EQ(reread.BuildTagBlock(), header.BuildTagBlock()) << c.what;
    }
}

TEST_F(AudioFileHeaderTest, WriteFailuresSayWhy) {
    const struct {
        std::string name;
        std::string bytes;
        std::string message;
    } cases[] = {
        {"", "", "Error opening wave file."},
        {"n.wav", "RIFX\4\0\0\0WAVE"s, "File is not a wave file."},
        {"s.wav", "RIFF"s, "File is not a wave file."},
        {"d.wav", test::RiffWave(Chunk("fmt ", test::PcmFormat(1, 8000, 8))), "File has no data chunk."},
        {"h.wav", test::RiffWave(Chunk("fmt ", test::PcmFormat(1, 8000, 8)) + "data" + LE32(1000) + "abc"),
         "File has no data chunk."},
        // Everything after the data is replaced, so this file would lose its format.
        {"f.wav", test::RiffWave(Chunk("data", "abcd") + Chunk("fmt ", test::PcmFormat(1, 8000, 8))),
         "File has its format chunk after the data chunk."},
    };
    for (const auto& c : cases) {
        const std::string path = c.name.empty() ? m_dir / "missing.wav" : Write(c.name, c.bytes);
        CAudioFileHeader quiet(&m_reporter);
        EXPECT_FALSE(quiet.WriteTagsToFile(path, false));
        EXPECT_EQ(quiet.LastError(), c.message);
        CAudioFileHeader loud(&m_reporter);
        EXPECT_FALSE(loud.WriteTagsToFile(path, true));
        if (!c.name.empty()) {
            EXPECT_EQ(ReadWholeFile(path), c.bytes);
        }
    }
    const auto lines = m_reporter.StatusLines();
    ASSERT_EQ(lines.size(), std::size(cases));
    EXPECT_EQ(lines[0], "Error opening wave file.");
    EXPECT_EQ(lines[3], "File has no data chunk.");
}

TEST_F(AudioFileHeaderTest, HostileFilesFailWithoutHarm) {
    const std::string fmt = Chunk("fmt ", test::PcmFormat(2, 44100, 16));
    const std::string data = Chunk("data", std::string(16, 'x'));
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"riff only", "RIFF"},
        {"not wave", "RIFF\x10\0\0\0AVI "s + fmt + data},
        {"no fmt", test::RiffWave(data)},
        {"short fmt", test::RiffWave(Chunk("fmt ", "\1\0\2\0"s) + data)},
        {"truncated fmt", test::RiffWave("fmt " + LE32(16) + "\1\0\2\0"s)},
        {"no data", test::RiffWave(fmt)},
        {"huge data", test::RiffWave(fmt + "data" + LE32(0xFFFFFFF0u) + "abcd")},
        {"huge fmt", test::RiffWave("fmt " + LE32(0xFFFFFFFFu) + "abcd")},
        {"huge riff", "RIFF" + LE32(0xFFFFFFFFu) + "WAVE" + fmt},
        {"bad id", test::RiffWave("f\x01t " + LE32(16) + test::PcmFormat(2, 44100, 16) + data)},
        {"cart past end", test::RiffWave(fmt + data + "cart" + LE32(100000) + "0101")},
        {"list past end", test::RiffWave(fmt + "LIST" + LE32(3))},
    };
    for (const auto& c : cases) {
        CAudioFileHeader header;
        EXPECT_FALSE(header.ReadHeader(Write("h.wav", c.bytes))) << c.what;
        EXPECT_EQ(header.StartTime(), audio::MakeLocalTime(2002, 1, 1, 0, 0, 0)) << c.what;
    }
    CAudioFileHeader header;
    EXPECT_FALSE(header.ReadHeader(m_dir / "absent.wav"));
}

TEST_F(AudioFileHeaderTest, AHostileTagListStillLeavesAReadableFile) {
    const std::string fmt = Chunk("fmt ", test::PcmFormat(1, 8000, 8));
    const std::string data = Chunk("data", "abcd");
    const struct {
        const char* what;
        std::string after;
    } cases[] = {
        {"comment past end", "LIST" + LE32(200) + "INFOICMT" + LE32(1000) + "QMTGDESC:x\r\n"},
        {"zero comment", Chunk("LIST", "INFO" + Chunk("ICMT", ""))},
        {"comment without tags", Chunk("LIST", "INFO" + Chunk("ICMT", "just a comment"))},
        {"other list", Chunk("LIST", "adtl" + Chunk("labl", "abcd"))},
    };
    for (const auto& c : cases) {
        CAudioFileHeader header;
        EXPECT_TRUE(header.ReadHeader(Write("l.wav", test::RiffWave(fmt + data + c.after)))) << c.what;
        EXPECT_EQ(header.Tag(tagDescription), "") << c.what;
    }
}

std::string SampleCart(const std::string& tagText) {
    std::string cart(2048, '\0');
    const auto put = [&cart](size_t offset, const std::string& text) { cart.replace(offset, text.size(), text); };
    put(0, "0101");
    put(4, "Budget, part 2");
    put(68, "Desk");
    put(132, "../../evil");
    put(260, "NEWS");
    put(388, "OUT");
    put(452, "2019-05-08");
    put(462, "06:30:00");
    put(470, "05/09/2019");
    put(480, "18:00:00");
    put(488, "Playout");
    put(684, "INT1" + LE32(5000000));  // 113.378 s at 44100: 32-bit arithmetic would overflow
    return cart + tagText;
}

TEST_F(AudioFileHeaderTest, ReadsTheCartChunkAndItsProgramAssociatedData) {
    const std::string pad =
        "<program-associated-data><property name=\"Title\" value=\"PAD title\"/>"
        "<property name=\"Bogus\" value=\"b\"/><property name=\"Album\" value=\"LP\"/></program-associated-data>";
    const std::string path = Write("cart.wav", PcmWav(2, 44100, 16, 40, Chunk("cart", SampleCart(pad))));
    CAudioFileHeader header;
    ASSERT_TRUE(header.ReadHeader(path));
    ASSERT_TRUE(header.HasCart());
    EXPECT_EQ(header.Cart().Text(audio::cartTitle), "Budget, part 2");
    EXPECT_EQ(header.CartProperties()[2], "PAD title");
    EXPECT_EQ(header.CartProperties()[4], "LP");
    EXPECT_EQ(header.EntireCartChunk().substr(0, 20), "0101Budget, part 2\r\n");
    EXPECT_NE(header.CartText().find("TagText: <program-associated-data>"), std::string::npos);
}

TEST_F(AudioFileHeaderTest, ATenByteCartIsReadAsPaddedAndANullCartIsNone) {
    CAudioFileHeader header;
    ASSERT_TRUE(header.ReadHeader(Write("c10.wav", PcmWav(1, 8000, 8, 4, Chunk("cart", "0101Title!")))));
    ASSERT_TRUE(header.HasCart());
    EXPECT_EQ(header.Cart().Text(audio::cartTitle), "Title!");
    EXPECT_EQ(header.Cart().PostTimer(0).value, 0u);
    EXPECT_EQ(header.CartProperties()[0], "");
    ASSERT_TRUE(header.ReadHeader(Write("c0.wav", PcmWav(1, 8000, 8, 4, Chunk("cart", "")))));
    EXPECT_FALSE(header.HasCart());
}

TEST_F(AudioFileHeaderTest, SetInfoFromCartWritesTheCartValuesAsTags) {
    const std::string source = Write("src.wav", PcmWav(2, 44100, 16, 40, Chunk("cart", SampleCart("tt"))));
    const std::string target = Write("dst.wav", PcmWav(1, 22050, 16, 10, {}, TagList("QMTGTAG1:keep\r\nQMTGALBM:A\r\n")));
    CAudioFileHeader sourceHeader;
    ASSERT_TRUE(sourceHeader.ReadHeader(source));
    CAudioFileHeader targetHeader(&m_reporter);
    ASSERT_TRUE(targetHeader.SetInfoFromCart(sourceHeader, target, true));

    CAudioFileHeader read;
    ASSERT_TRUE(read.ReadHeader(target));
    EXPECT_EQ(read.Tag(tagDescription), "Budget_ part 2");
    EXPECT_EQ(read.Tag(tagArtist), "Desk");
    EXPECT_EQ(read.Tag(tagCategory), "NEWS");
    EXPECT_EQ(read.Tag(tagOutCue), "OUT");
    EXPECT_EQ(read.Tag(tagSavedBy), "Playout");
    EXPECT_EQ(read.Tag(tagStartDate), "05/08/2019 06:30:00");
    EXPECT_EQ(read.Tag(tagStopDate), "05/09/2019 18:00:00");
    EXPECT_EQ(read.StartTime(), audio::MakeLocalTime(2019, 5, 8, 6, 30, 0));
    EXPECT_EQ(read.Tag(tagIntroTime), "113.378");
    EXPECT_EQ(read.IntroTimeMs(), 113370);
    EXPECT_EQ(read.Tag(tagAlbum), "A");
    EXPECT_EQ(read.Tag(tagTag1).substr(0, 32), "keep\r\nVersion: 0101\r\nTitle: Budg");
    EXPECT_EQ(read.SampleRate(), 22050u);
    const auto lines = m_reporter.StatusLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "Setting INFO based on CART chunk:");
    EXPECT_EQ(lines[1], "   Tag1 set to entire Cart Chunk");

    // Without the whole cart, Tag1 stays as the target had it.
    ASSERT_TRUE(targetHeader.SetInfoFromCart(sourceHeader, Write("d2.wav", PcmWav(1, 8000, 8, 2)), false));
    EXPECT_EQ(targetHeader.Tag(tagTag1), "");
}

TEST_F(AudioFileHeaderTest, NamesFromTheCartStayInTheirFolder) {
    const std::string cart = SampleCart("");
    std::string titled = cart;
    titled.replace(4, 64, std::string(64, '\0'));
    titled.replace(4, 22, "  A/B:C*D?E|F\\G,H.. ");
    const struct {
        std::string cart;
        std::string output;
        int mode;
        std::string expected;
    } cases[] = {
        {cart, "/out/x/in.mp3", CAudioFileHeader::nameFromCutId, "/out/x/evil.mp3"},
        {cart, "C:\\out\\in.wav", CAudioFileHeader::nameFromCutId, "C:\\out\\evil.wav"},
        {titled, "/out/in.wav", CAudioFileHeader::nameFromTitle, "/out/A_B_C_D_E_F_G_H...wav"},
        {cart, "/out/in.wav", CAudioFileHeader::nameUnchanged, "/out/in.wav"},
        {cart, "/out/noext", CAudioFileHeader::nameFromCutId, "/out/noext"},
        {"", "/out/in.wav", CAudioFileHeader::nameFromCutId, "/out/in.wav"},
    };
    for (const auto& c : cases) {
        const std::string path = Write("n.wav", PcmWav(1, 8000, 8, 2, Chunk("cart", c.cart)));
        CAudioFileHeader source;
        ASSERT_TRUE(source.ReadHeader(path));
        CAudioFileHeader header(&m_reporter);
        std::string output = c.output;
        EXPECT_EQ(header.NameFromCart(source, output, c.mode), c.expected != c.output);
        EXPECT_EQ(output, c.expected);
    }
    EXPECT_EQ(m_reporter.StatusLines().front(), "Changing Output filename from /out/x/in.mp3 to /out/x/evil.mp3.");
    EXPECT_EQ(CAudioFileHeader::NameModeFromSetting("cutid"), 1);
    EXPECT_EQ(CAudioFileHeader::NameModeFromSetting("Long"), 2);
    EXPECT_EQ(CAudioFileHeader::NameModeFromSetting("zzQMDefault"), 0);
}

TEST_F(AudioFileHeaderTest, LongNamesKeepTheTitleAsWrittenButNeverLeaveTheFolder) {
    const struct {
        std::string title;
        std::string output;
        std::string expected;  // the output unchanged: no name taken
    } cases[] = {
        {"Budget, part 2: a/b?", "/out/in.mp3", "/out/Budget_ part 2_ a_b_.mp3"},
        {"  Fête & café <live>  ", "/out/in.wav", "/out/Fête & café <live>.wav"},
        {"C:\\news\\*|x", "/out/in.wav", "/out/C__news___x.wav"},
        {"../../etc/passwd", "/out/in.wav", "/out/_.._etc_passwd.wav"},
        {". .hidden take", "/out/in.wav", "/out/hidden take.wav"},
        {"Line\r\nbreak\tand\x7F bell\x07", "/out/in.wav", "/out/Linebreakand bell.wav"},
        {"..", "/out/in.wav", "/out/in.wav"},
        {" \x01 ", "/out/in.wav", "/out/in.wav"},
        {"News: 6 pm", "ftp://host/out/|user|pass|in.mp3", "ftp://host/out/|user|pass|News_ 6 pm.mp3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        std::string cart = SampleCart("");
        cart.replace(4, 64, std::string(64, '\0'));
        cart.replace(4, c.title.size(), c.title);
        CAudioFileHeader source;
        ASSERT_TRUE(source.ReadHeader(Write("t.wav", PcmWav(1, 8000, 8, 2, Chunk("cart", cart)))));
        CAudioFileHeader header(&m_reporter);
        std::string output = c.output;
        EXPECT_EQ(header.NameFromCart(source, output, CAudioFileHeader::nameFromTitle), c.expected != c.output);
        EXPECT_EQ(output, c.expected);
    }
    EXPECT_EQ(m_reporter.StatusLines().back(),
              "Changing Output filename from ftp://host/out/in.mp3 to ftp://host/out/News_ 6 pm.mp3.");
}

TEST_F(AudioFileHeaderTest, CopyValuesTakesTheListedFieldsOnly) {
    CAudioFileHeader from;
    ASSERT_TRUE(from.ReadHeader(Write("f.wav", PcmWav(1, 1000, 8, 2500, {},
                                                      TagList("QMTGDESC:d\r\nQMTGINTM:1.5\r\nQMTGINFD:EOM\r\n"
                                                              "QMTGMDAT:m\r\nQMTGISCI:i\r\nQMTGALBM:a\r\nQMTGYEAR:y\r\n")))));
    CAudioFileHeader to;
    to.CopyValues(from);
    EXPECT_EQ(to.FilePath(), from.FilePath());
    EXPECT_EQ(to.Tag(tagDescription), "d");
    EXPECT_EQ(to.Tag(tagModificationDate), "m");
    EXPECT_EQ(to.Tag(tagIsci), "");
    EXPECT_EQ(to.Tag(tagAlbum), "a");
    EXPECT_EQ(to.Tag(tagYear), "y");
    EXPECT_EQ(to.IntroTimeMs(), 1500);
    EXPECT_EQ(to.IntroFade(), 3);
    EXPECT_EQ(to.LengthMs(), 2500);
    EXPECT_EQ(to.LengthSeconds(), 3);
}

TEST_F(AudioFileHeaderTest, AfMacroValues) {
    CAudioFileHeader header;
    ASSERT_TRUE(header.ReadHeader(Write("m.wav", PcmWav(1, 1000, 8, 61042, {},
                                                        TagList("QMTGDESC:a<BR>b\r\nQMTGTAG1:First. Second\r\n")))));
    const struct {
        std::string name, value;
    } cases[] = {
        {"AF Description", "a\r\nb"},
        {"AF Length Seconds", "61"},
        {"AF Length Milliseconds", "61.042"},
        {"AF Length Milliseconds Only", "61042"},
        {"AF Tag1 Summary", "First"},
        {"AF Tag1", "First. Second"},
        {"af year", ""},
    };
    for (const auto& c : cases) {
        std::string value;
        EXPECT_TRUE(header.AfMacroValue(c.name, value)) << c.name;
        EXPECT_EQ(value, c.value) << c.name;
    }
    std::string value;
    EXPECT_FALSE(header.AfMacroValue("AF DayPart", value));
    header.SetTag(tagTag1, ".starts with a point");
    ASSERT_TRUE(header.AfMacroValue("AF Tag1 Summary", value));
    EXPECT_EQ(value, ".starts with a point");
}

}  // namespace
}  // namespace pv
