#include <gtest/gtest.h>

#include "support/AudioTestSupport.h"
#include "audio/AudioFileHeader.h"
#include "audio/AudioFileMerge.h"
#include "platform/FileSystem.h"
#include "support/TempDir.h"

using namespace std::string_literals;

namespace pv {
namespace {

using test::Chunk;
using test::LE32;

class AudioFileMergeTest : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string path = m_dir / name;
        test::WriteWholeFile(path, bytes);
        return path;
    }
    static std::string Samples(const std::string& file) {
        const size_t data = test::FindTopChunk(file, "data");
        return file.substr(data + 8, test::ChunkSize(file, data));
    }
    bool Merge(const std::string& a, const std::string& b, const std::string& out, int ms) {
        return CAudioFileMerge().Merge(a, b, out, ms, m_error);
    }

    test::TempDir m_dir;
    std::string m_error;
};

TEST_F(AudioFileMergeTest, JoinsSamplesWithSilenceBetween) {
    const struct {
        uint16_t channels;
        uint32_t rate;
        uint16_t bits;
        size_t firstBytes, secondBytes;
        int silenceMs;
        size_t silenceBytes;
        char silence;
    } cases[] = {
        {2, 44100, 16, 4000, 6000, 1000, 176400, '\0'},
        {2, 44100, 16, 4000, 6000, 0, 0, '\0'},
        {1, 8000, 8, 333, 101, 250, 2000, '\x80'},
        {1, 11025, 8, 3, 5, 1, 11, '\x80'},
        {2, 22050, 24, 600, 1200, 10, 1320, '\0'},
        {1, 8000, 16, 10, 10, -5, 0, '\0'},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.bits) + " bits, " + std::to_string(c.silenceMs) + " ms");
        const std::string first = Write("a.wav", test::PcmWav(c.channels, c.rate, c.bits, c.firstBytes));
        const std::string second =
            Write("b.wav", test::PcmWav(c.channels, c.rate, c.bits, c.secondBytes, {}, Chunk("junk", "x")));
        const std::string out = m_dir / "out.wav";
        ASSERT_TRUE(Merge(first, second, out, c.silenceMs)) << m_error;
        const std::string joined = test::ReadWholeFile(out);
        EXPECT_EQ(Samples(joined), Samples(test::ReadWholeFile(first)) + std::string(c.silenceBytes, c.silence) +
                                       Samples(test::ReadWholeFile(second)));
        EXPECT_EQ(test::ChunkSize(joined, 12), 18u);
        EXPECT_EQ(test::ChunkSize(joined, 0), joined.size() - 8);
        EXPECT_NE(test::FindTopChunk(joined, "junk"), std::string::npos);
        const size_t frames = (c.firstBytes + c.silenceBytes + c.secondBytes) / (c.channels * c.bits / 8);
        const auto info = test::RunTool({"sox", "--i", "-s", out});
        EXPECT_EQ(info.output, std::to_string(frames) + "\n");
    }
}

TEST_F(AudioFileMergeTest, TheSecondFilesTagsCarryOverAndTheFirstsAreDropped) {
    const auto tags = [](const std::string& description) {
        return Chunk("LIST", "INFO" + Chunk("ICMT", "QMTGBEGN\r\nQMTGDESC:" + description + "\r\nQMTGENDL\r\n"));
    };
    const std::string first = Write("a.wav", test::PcmWav(1, 8000, 8, 7, {}, tags("first")));
    const std::string second = Write("b.wav", test::PcmWav(1, 8000, 8, 9, {}, tags("second")));
    const std::string out = m_dir / "out.wav";
    ASSERT_TRUE(Merge(first, second, out, 1)) << m_error;  // 8 bytes of silence: 24, padded
    CAudioFileHeader header;
    ASSERT_TRUE(header.ReadHeader(out));
    EXPECT_EQ(header.Tag(tagDescription), "second");
    EXPECT_EQ(test::ReadWholeFile(out).find("first"), std::string::npos);
    EXPECT_EQ(test::RunTool({"sox", "--i", "-s", out}).output, "24\n");

    // Asked for, the first file's tags go with the join instead (a clip put
    // behind a cut keeps the cut's tags).
    ASSERT_TRUE(CAudioFileMerge().Merge(first, second, out, 1, m_error, CAudioFileMerge::TagsFrom::first)) << m_error;
    ASSERT_TRUE(header.ReadHeader(out));
    EXPECT_EQ(header.Tag(tagDescription), "first");
    EXPECT_EQ(test::ReadWholeFile(out).find("second"), std::string::npos);
    EXPECT_EQ(test::RunTool({"sox", "--i", "-s", out}).output, "24\n");
}

TEST_F(AudioFileMergeTest, JoinsInPlaceThroughATemporaryFile) {
    const std::string ident = Write("ident.wav", test::PcmWav(2, 44100, 16, 400));
    const std::string story = Write("story.wav", test::PcmWav(2, 44100, 16, 800));
    const std::string identSamples = Samples(test::ReadWholeFile(ident));
    const std::string storySamples = Samples(test::ReadWholeFile(story));
    ASSERT_TRUE(Merge(ident, story, story, 0)) << m_error;
    EXPECT_EQ(Samples(test::ReadWholeFile(story)), identSamples + storySamples);
    ASSERT_TRUE(Merge(story, ident, story, 0)) << m_error;
    EXPECT_EQ(Samples(test::ReadWholeFile(story)), identSamples + storySamples + identSamples);
    EXPECT_EQ(platform::Exists(story + ".joining"), platform::Existence::absent);

    // A failure leaves the file as it was.
    const std::string before = test::ReadWholeFile(story);
    const std::string mono = Write("mono.wav", test::PcmWav(1, 44100, 16, 800));
    EXPECT_FALSE(Merge(mono, story, story, 0));
    EXPECT_EQ(test::ReadWholeFile(story), before);
}

TEST_F(AudioFileMergeTest, RefusesWhatItCannotJoin) {
    const std::string good = Write("good.wav", test::PcmWav(2, 44100, 16, 40));
    std::string mpeg = test::PcmFormat(2, 44100, 16);
    mpeg.replace(0, 2, test::LE16(85));
    std::string fourBits = test::PcmFormat(1, 8000, 16);
    fourBits.replace(14, 2, test::LE16(4));
    std::string noChannels = test::PcmFormat(2, 44100, 16);
    noChannels.replace(2, 2, test::LE16(0));
    const std::string data = Chunk("data", std::string(40, 'x'));
    const std::string absent = m_dir / "absent.wav";
    const struct {
        const char* what;
        std::string bytes;  // the second file; empty: absent
        std::string message;
    } cases[] = {
        {"absent", "", "Can't open file @."},
        {"mono", test::PcmWav(1, 44100, 16, 40), "Files are not the same format."},
        {"other rate", test::PcmWav(2, 48000, 16, 40), "Files are not the same format."},
        {"8 bits", test::PcmWav(2, 44100, 8, 40), "Files are not the same format."},
        {"mpeg", test::RiffWave(Chunk("fmt ", mpeg) + data), "File is not the correct format."},
        {"4 bits", test::RiffWave(Chunk("fmt ", fourBits) + data), "File is not the correct format."},
        {"no channels", test::RiffWave(Chunk("fmt ", noChannels) + data), "File is not the correct format."},
        {"fact first", test::PcmWav(2, 44100, 16, 40).substr(0, 36) + Chunk("fact", LE32(10)) + data,
         "File is not the correct format: @."},
        {"cart first", test::RiffWave(Chunk("cart", "0101") + Chunk("fmt ", test::PcmFormat(2, 44100, 16)) + data),
         "File is not the correct format: @."},
        {"long fmt", test::RiffWave(Chunk("fmt ", test::PcmFormat(2, 44100, 16) + std::string(24, '\0')) + data),
         "File is not the correct format: @."},
        {"not wave", "RIFF" + LE32(100) + "AVI " + Chunk("fmt ", test::PcmFormat(2, 44100, 16)) + data,
         "File is not the correct format: @."},
        {"short", "RIFF", "Can't read file @."},
        {"short fmt", test::RiffWave(Chunk("fmt ", test::PcmFormat(2, 44100, 16))).substr(0, 30), "Can't read file @."},
        {"no data header", test::RiffWave(Chunk("fmt ", test::PcmFormat(2, 44100, 16))), "Can't read file @."},
        {"truncated data", test::RiffWave(Chunk("fmt ", test::PcmFormat(2, 44100, 16)) + "data" + LE32(100000) + "abcd"),
         "Can't read file @."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string second = c.bytes.empty() ? absent : Write("second.wav", c.bytes);
        const std::string out = m_dir / "out.wav";
        m_error.clear();
        EXPECT_FALSE(Merge(good, second, out, 100));
        std::string message = c.message;
        if (message.find('@') != std::string::npos) message.replace(message.find('@'), 1, second);
        EXPECT_EQ(m_error, "Can't merge audio files " + good + "\nand " + second + ".\n" + message);
        EXPECT_EQ(platform::Exists(out), platform::Existence::absent);
        EXPECT_EQ(platform::Exists(out + ".joining"), platform::Existence::absent);
    }
}

TEST_F(AudioFileMergeTest, SilenceTooLongForAWaveFileIsRefused) {
    const std::string a = Write("a.wav", test::PcmWav(2, 192000, 32, 8));
    EXPECT_FALSE(Merge(a, a, m_dir / "out.wav", 2000000000));
    EXPECT_NE(m_error.find("larger than 4 GB"), std::string::npos);
}

}  // namespace
}  // namespace pv
