#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "support/AudioTestSupport.h"
#include "audio/AudioCompressor.h"
#include "audio/CodecEngine.h"
#include "audio/ByteOrder.h"
#include "audio/MpegAudio.h"
#include "platform/FileSystem.h"
#include "support/FakeClock.h"
#include "support/TempDir.h"

using namespace std::string_literals;

namespace pv {
namespace {

class AudioCompressorTest : public ::testing::Test {
protected:
    // A 44.1 kHz 16-bit stereo source of 0.5 s with tags.
    void SetUp() override {
        m_source = m_dir / "source.wav";
        ASSERT_TRUE(test::MakeSine(m_source, 44100, 2, 16, 0.5));
        ASSERT_TRUE(m_header.ReadHeader(m_source));
        m_header.SetTag(tagDescription, "Council vote\r\nsecond line");
        m_header.SetTag(tagArtist, "Desk");
    }

    bool Compress(const std::string& source, std::string& dest, int format, int bitRate, bool lock = false,
                  int rate = 0, const CAudioFileHeader* header = nullptr) {
        AudioCompressor compressor(m_codecs, m_clock);
        return compressor.Compress(source, dest, format, bitRate, 0, m_dir / "Format.dat", m_error, lock, rate, header);
    }

    test::TempDir m_dir;
    test::FakeClock m_clock;
    audio::CodecModule m_codecs;
    std::string m_source;
    std::string m_error;
    CAudioFileHeader m_header;
};

TEST(AudioCompressorNames, TakeTheFormatsExtension) {
    const struct {
        std::string path;
        int format;
        std::string result;
    } cases[] = {
        {"C:\\out\\news", 85, "C:\\out\\news.mp3"}, {"C:\\out\\news.wav", 80, "C:\\out\\news.mp2"},
        {"/o/a.mp3", 1, "/o/a.wav"},                 {"/o/a.b", 0, "/o/a.b.wav"},
        {"/o/a.aiff", 85, "/o/a.aiff.mp3"},          {"mp3", 85, "mp3.mp3"},
    };
    for (const auto& c : cases) {
        std::string path = c.path;
        EXPECT_TRUE(AudioCompressor::DestinationName(path, c.format));
        EXPECT_EQ(path, c.result);
    }
    std::string path = "/o/a.wav";
    EXPECT_FALSE(AudioCompressor::DestinationName(path, 86));
}

TEST_F(AudioCompressorTest, ConvertsToMpegAndPcmInAWaveFile) {
    const struct {
        int format;
        int bitRate;
        bool lock;
        int rate;
        const char* codec;
        const char* expectedRate;
        const char* expectedBitRate;
    } cases[] = {
        {85, 128000, false, 0, "mp3", "44100", "128000"},
        {80, 0, false, 0, "mp2", "44100", "384000"},
        {80, 128000, false, 0, "mp2", "44100", "128000"},
        {85, 64000, true, 22050, "mp3", "22050", "64000"},
        {80, 64000, true, 22050, "mp2", "22050", "64000"},
        {1, 0, true, 22050, "pcm_s16le", "22050", "705600"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.codec + " "s + c.expectedRate + " " + c.expectedBitRate);
        std::string dest = m_dir / "out.wav";
        ASSERT_TRUE(Compress(m_source, dest, c.format, c.bitRate, c.lock, c.rate, &m_header)) << m_error;
        EXPECT_EQ(dest, m_dir / (c.format == 85 ? "out.mp3" : c.format == 80 ? "out.mp2" : "out.wav"));
        auto probe = test::Probe(dest);
        EXPECT_EQ(probe["format_name"], "wav");
        EXPECT_EQ(probe["codec_name"], c.codec);
        EXPECT_EQ(probe["sample_rate"], c.expectedRate);
        EXPECT_EQ(probe["channels"], "2");
        EXPECT_EQ(probe["bit_rate"], c.expectedBitRate);
        EXPECT_NEAR(std::stod(probe["duration"]), 0.5, 0.03) << probe["duration"];
        EXPECT_EQ(test::DecodeErrors(dest), "");

        CAudioFileHeader out;
        ASSERT_TRUE(out.ReadHeader(dest));
        EXPECT_EQ(out.Tag(tagDescription), "Council vote\r\nsecond line");
        EXPECT_EQ(out.Tag(tagArtist), "Desk");
        EXPECT_EQ(out.BuildTagBlock(), m_header.BuildTagBlock());
        platform::RemoveFile(dest);
    }
}

TEST_F(AudioCompressorTest, WritesTheMpegRecordFactCountAndTagBlock) {
    std::string dest = m_dir / "out";
    CAudioFileHeader empty;
    ASSERT_TRUE(Compress(m_source, dest, 85, 128000, false, 0, &empty)) << m_error;
    const std::string bytes = test::ReadWholeFile(dest);
    const size_t fmt = test::FindTopChunk(bytes, "fmt ");
    ASSERT_EQ(fmt, 12u);
    EXPECT_EQ(test::ChunkSize(bytes, fmt), 30u);
    const auto* f = reinterpret_cast<const unsigned char*>(bytes.data()) + fmt + 8;
    EXPECT_EQ(audio::GetLE16(f), 85);
    EXPECT_EQ(audio::GetLE32(f + 8), 16000u);
    EXPECT_EQ(audio::GetLE16(f + 16), 12);
    const size_t fact = test::FindTopChunk(bytes, "fact");
    ASSERT_NE(fact, std::string::npos);
    EXPECT_EQ(audio::GetLE32(reinterpret_cast<const unsigned char*>(bytes.data()) + fact + 8), 22050u);
    const size_t data = test::FindTopChunk(bytes, "data");
    ASSERT_NE(data, std::string::npos);
    EXPECT_GT(data, fact);
    const size_t list = test::FindTopChunk(bytes, "LIST");
    ASSERT_NE(list, std::string::npos);
    EXPECT_GT(list, data);
    EXPECT_EQ(bytes.compare(list + 8, 8, "INFOICMT"), 0);
    EXPECT_EQ(bytes.compare(list + 20, 19, "QMTGBEGN\r\nQMTGDESC:"), 0);
    EXPECT_EQ(test::ChunkSize(bytes, 0), bytes.size() - 8);

    // Without a source header there is no tag block.
    dest = m_dir / "plain";
    ASSERT_TRUE(Compress(m_source, dest, 85, 128000)) << m_error;
    EXPECT_EQ(test::FindTopChunk(test::ReadWholeFile(dest), "LIST"), std::string::npos);
}

TEST_F(AudioCompressorTest, ConvertsRawMpegStreams) {
    const struct {
        const char* name;
        std::vector<std::string> encode;
        bool id3v1;
        int format;
        int bitRate;
        const char* codec;
        const char* rate = "44100";
        const char* channels = "2";
        double slack = 0.1;  // seconds of encoder delay and padding (more at lower rates)
    } cases[] = {
        {"a.mp3", {"-c:a", "libmp3lame", "-b:a", "128k", "-id3v2_version", "0"}, true, 80, 192000, "mp2"},
        {"b.mp3", {"-c:a", "libmp3lame", "-b:a", "64k", "-metadata", "title=With an ID3v2 tag"}, true, 85, 128000, "mp3"},
        {"c.mp2", {"-c:a", "mp2", "-b:a", "192k"}, false, 1, 0, "pcm_s16le"},
        {"vbr.mp3", {"-c:a", "libmp3lame", "-q:a", "0"}, false, 1, 0, "pcm_s16le"},
        {"mono.mp3", {"-ac", "1", "-ar", "22050", "-c:a", "libmp3lame", "-q:a", "4"}, false, 1, 0, "pcm_s16le", "22050",
         "1", 0.15},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string mp = m_dir / c.name;
        std::vector<std::string> argv = {"ffmpeg", "-nostdin", "-v", "error", "-y", "-i", m_source};
        argv.insert(argv.end(), c.encode.begin(), c.encode.end());
        argv.push_back(mp);
        ASSERT_EQ(test::RunTool(argv).exitCode, 0);
        if (c.id3v1) {
            std::string tag = "TAG" + std::string(125, ' ');
            test::WriteWholeFile(mp, test::ReadWholeFile(mp) + tag);
        }
        std::string dest = m_dir / "out.wav";
        ASSERT_TRUE(Compress(mp, dest, c.format, c.bitRate, false, 0, &m_header)) << m_error;
        auto probe = test::Probe(dest);
        EXPECT_EQ(probe["codec_name"], c.codec);
        EXPECT_EQ(probe["sample_rate"], c.rate);
        EXPECT_EQ(probe["channels"], c.channels);
        // Decoding adds the encoder's delay and the last frame's padding.
        EXPECT_NEAR(std::stod(probe["duration"]), 0.5, c.slack) << probe["duration"];
        EXPECT_EQ(test::DecodeErrors(dest), "");
        platform::RemoveFile(dest);
    }
}

TEST_F(AudioCompressorTest, ConvertsMpegInAWaveFileAgain) {
    // An MPEG source has no bits per sample; its sample count comes from
    // the decoded samples.
    std::string mp3 = m_dir / "first";
    ASSERT_TRUE(Compress(m_source, mp3, 85, 128000, false, 0, &m_header)) << m_error;
    CAudioFileHeader mp3Header;
    ASSERT_TRUE(mp3Header.ReadHeader(mp3));
    EXPECT_EQ(mp3Header.FormatTag(), 85);
    EXPECT_EQ(mp3Header.LengthMs() / 100, 5);
    for (const int format : {80, 1}) {
        std::string dest = m_dir / "again";
        ASSERT_TRUE(Compress(mp3, dest, format, 0, true, 32000, &mp3Header)) << m_error;
        auto probe = test::Probe(dest);
        EXPECT_EQ(probe["sample_rate"], "32000");
        // Decoding adds the encoder's delay and the last frame's padding.
        EXPECT_NEAR(std::stod(probe["duration"]), 0.5, 0.1) << format;
        EXPECT_EQ(test::DecodeErrors(dest), "");
        CAudioFileHeader out;
        ASSERT_TRUE(out.ReadHeader(dest));
        EXPECT_EQ(out.Tag(tagDescription), "Council vote\r\nsecond line");
    }
}

TEST_F(AudioCompressorTest, ConvertsOtherSourceFormats) {
    const struct {
        int rate, channels, bits;
    } cases[] = {{8000, 1, 8}, {48000, 1, 24}, {22050, 2, 16}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.rate) + " " + std::to_string(c.channels) + " " + std::to_string(c.bits));
        const std::string source = m_dir / "other.wav";
        ASSERT_TRUE(test::MakeSine(source, c.rate, c.channels, c.bits, 0.25));
        std::string dest = m_dir / "o";
        ASSERT_TRUE(Compress(source, dest, 85, 32000)) << m_error;
        auto probe = test::Probe(dest);
        EXPECT_EQ(probe["codec_name"], "mp3");
        EXPECT_EQ(probe["channels"], std::to_string(c.channels));
        EXPECT_EQ(test::DecodeErrors(dest), "");
        // The sample count is the source's length at the destination rate
        // (ffprobe goes by the byte rate here, encoder delay included).
        const std::string bytes = test::ReadWholeFile(dest);
        const size_t fact = test::FindTopChunk(bytes, "fact");
        ASSERT_NE(fact, std::string::npos);
        const double seconds = audio::GetLE32(reinterpret_cast<const unsigned char*>(bytes.data()) + fact + 8) /
                               std::stod(probe["sample_rate"]);
        EXPECT_NEAR(seconds, 0.25, 0.002);
        EXPECT_NEAR(std::stod(probe["duration"]), 0.25, 0.1);
    }
}

TEST_F(AudioCompressorTest, FailuresSayWhyAndLeaveNoDestination) {
    const std::string fmt = test::Chunk("fmt ", test::PcmFormat(2, 44100, 16));
    std::string zeroChannels = test::PcmFormat(2, 44100, 16);
    zeroChannels.replace(2, 2, test::LE16(0));
    std::string unknownTag = test::PcmFormat(2, 44100, 16);
    unknownTag.replace(0, 2, test::LE16(0x1234));
    std::string noAlign = test::PcmFormat(2, 44100, 16);
    noAlign.replace(0, 2, test::LE16(2));  // ADPCM without a block size
    noAlign.replace(12, 2, test::LE16(0));
    const std::string missing = m_dir / "absent.wav";
    const struct {
        const char* what;
        std::string bytes;
        int format;
        std::string message;
    } cases[] = {
        {"format 86", "", 86, "Compress: Invalid destination audio file format 86."},
        {"absent", "", 85, "Compress: Can't open source file " + missing + "."},
        {"no fmt", test::RiffWave(test::Chunk("data", "abcd")), 85, "Compress: Can't find FMT chunk in source file @. We can't determine it's format."},
        {"short fmt", test::RiffWave(test::Chunk("fmt ", "ab") + test::Chunk("data", "abcd")), 85,
         "Compress: Error trying to read the FMT chuck of source file @."},
        {"huge fmt", test::RiffWave("fmt " + test::LE32(0x7FFFFFF0) + "ab"), 85,
         "Compress: Error trying to read the FMT chuck of source file @."},
        {"no data", test::RiffWave(fmt), 85,
         "Compress: Error trying to read the DATA chuck of source file @. It must not have any audio data."},
        {"truncated data", test::RiffWave(fmt + "data" + test::LE32(100000) + "abcd"), 85,
         "Compress: Source file too small to hold source data. Source file @. It must not have all the audio data."},
        {"zero channels", test::RiffWave(test::Chunk("fmt ", zeroChannels) + test::Chunk("data", "abcd")), 85,
         "Compress: Error trying to get the dest format block"},
        {"unknown codec", test::RiffWave(test::Chunk("fmt ", unknownTag) + test::Chunk("data", "abcd")), 1,
         "Compress: Error compression of these formats is not possible on this system."},
        {"block align 0", test::RiffWave(test::Chunk("fmt ", noAlign) + test::Chunk("data", "abcd")), 1,
         "Compress: Error opening audio stream."},
        {"tiny", "ab", 85, "Compress: Can't read source file @."},
        {"no frame", std::string(4000, 'x'), 85, ""},
        {"mpeg 2.5", "\xFF\xE3\x90\x00"s + std::string(3000, '\0'), 85, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string source = c.bytes.empty() ? missing : m_dir / "bad.wav";
        if (!c.bytes.empty()) test::WriteWholeFile(source, c.bytes);
        std::string dest = m_dir / "out";
        m_error = "stale";
        EXPECT_FALSE(Compress(source, dest, c.format, 128000));
        std::string expected = c.message;
        if (expected.find('@') != std::string::npos) expected.replace(expected.find('@'), 1, source);
        EXPECT_EQ(m_error, expected);
        EXPECT_EQ(platform::Exists(dest), platform::Existence::absent);
    }
}

TEST_F(AudioCompressorTest, CorruptSamplesDoNotStopTheConversion) {
    const std::string mp3 = m_dir / "in.mp3";
    ASSERT_EQ(test::RunTool({"ffmpeg", "-nostdin", "-v", "error", "-i", m_source, "-c:a", "libmp3lame", "-b:a", "128k",
                             "-id3v2_version", "0", mp3})
                  .exitCode,
              0);
    std::string bytes = test::ReadWholeFile(mp3);
    for (size_t i = 3000; i < 3400 && i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 31);
    test::WriteWholeFile(mp3, bytes);
    std::string dest = m_dir / "out";
    ASSERT_TRUE(Compress(mp3, dest, 1, 0)) << m_error;
    EXPECT_EQ(test::Probe(dest)["codec_name"], "pcm_s16le");
}

TEST_F(AudioCompressorTest, SourcesThatDoNotDecodeCleanlyFail) {
    const std::string source2s = m_dir / "two.wav", mp3 = m_dir / "clean.mp3";
    ASSERT_TRUE(test::MakeSine(source2s, 44100, 2, 16, 2.0));
    ASSERT_EQ(test::RunTool({"ffmpeg", "-nostdin", "-v", "error", "-i", source2s, "-c:a", "libmp3lame", "-b:a", "128k",
                             "-id3v2_version", "0", mp3})
                  .exitCode,
              0);
    const std::string frames = test::ReadWholeFile(mp3);
    std::string story;
    while (story.size() < 3 * frames.size()) story += "The council voted on the budget late on Tuesday.\n";
    std::mt19937 random(11);
    std::string noise(64000, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    // Every third frame loses its header (after the first few, which tell
    // the stream).
    std::string damaged = frames;
    audio::MpegFrameHeader header;
    for (size_t at = 0, n = 0; at + 4 <= damaged.size(); ++n) {
        ASSERT_TRUE(audio::DecodeMpegHeader(reinterpret_cast<const unsigned char*>(damaged.data()) + at, header)) << at;
        if (n >= 4 && n % 3 == 0) damaged.replace(at, 4, 4, '\0');
        at += header.FrameLength();
    }
    const std::string mpegRecord = audio::MpegDestinationFormat(3, 2, 44100, 128000).Serialize();
    const struct {
        const char* what;
        std::string bytes;
        std::string message;  // what the reason says (noise gives either)
    } cases[] = {
        {"MP3 frames ahead of story text", frames + story, "its audio accounts for only "},
        {"MPEG in a WAV file holding noise", test::RiffWave(test::Chunk("fmt ", mpegRecord) + test::Chunk("data", noise)),
         ""},
        {"MP3 with a frame header lost every third frame", damaged, " audio frames are damaged."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string source = m_dir / "bad.mp3";
        test::WriteWholeFile(source, c.bytes);
        std::string dest = m_dir / "out";
        EXPECT_FALSE(Compress(source, dest, 1, 0));
        EXPECT_EQ(m_error.rfind("Compress: Source file " + source + " does not decode cleanly: ", 0), 0u) << m_error;
        EXPECT_NE(m_error.find(c.message), std::string::npos) << m_error;
        EXPECT_EQ(platform::Exists(dest), platform::Existence::absent);
    }
}

TEST_F(AudioCompressorTest, ThrottlesBetweenBlocks) {
    // 1.5 s of 44.1 kHz stereo is more than three blocks; the fake clock
    // stands still, so a share of 50 never sleeps and the result is the same.
    const std::string source = m_dir / "long.wav";
    ASSERT_TRUE(test::MakeSine(source, 44100, 2, 16, 1.5));
    std::string dest = m_dir / "out";
    AudioCompressor compressor(m_codecs, m_clock);
    compressor.SetShare(50);
    ASSERT_TRUE(compressor.Compress(source, dest, 1, 0, 0, m_dir / "Format.dat", m_error, false, 0, nullptr));
    EXPECT_EQ(m_clock.Sleeps(), 0);
    const std::string in = test::ReadWholeFile(source), out = test::ReadWholeFile(dest);
    const size_t inData = test::FindTopChunk(in, "data"), outData = test::FindTopChunk(out, "data");
    EXPECT_EQ(out.substr(outData), in.substr(inData));
}

}  // namespace
}  // namespace pv
