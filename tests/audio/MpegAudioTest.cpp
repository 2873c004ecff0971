#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "audio/ByteOrder.h"
#include "audio/MpegAudio.h"
#include "platform/File.h"
#include "support/AudioTestSupport.h"
#include "support/TempDir.h"

using namespace std::string_literals;

namespace pv::audio {
namespace {

TEST(MpegHeader, DecodesVersionLayerRatesChannelsAndPadding) {
    const struct {
        unsigned char bytes[4];
        int version, layer;
        uint32_t bitRate, sampleRate;
        int channels;
        bool padding;
        uint32_t frameLength;
    } cases[] = {
        {{0xFF, 0xFB, 0x90, 0x00}, 1, 3, 128000, 44100, 2, false, 417},
        {{0xFF, 0xFB, 0x92, 0xC0}, 1, 3, 128000, 44100, 1, true, 418},
        {{0xFF, 0xFD, 0xA4, 0x00}, 1, 2, 192000, 48000, 2, false, 576},
        {{0xFF, 0xF3, 0x82, 0x40}, 2, 3, 64000, 22050, 2, true, 209},
        {{0xFF, 0xF5, 0x84, 0xC0}, 2, 2, 64000, 24000, 1, false, 384},
        {{0xFF, 0xE3, 0x80, 0x00}, 25, 3, 64000, 11025, 2, false, 417},
        {{0xFF, 0xFF, 0x90, 0x00}, 1, 1, 288000, 44100, 2, false, 312},
    };
    for (const auto& c : cases) {
        MpegFrameHeader h;
        ASSERT_TRUE(DecodeMpegHeader(c.bytes, h)) << int(c.bytes[1]) << " " << int(c.bytes[2]);
        EXPECT_EQ(h.version, c.version);
        EXPECT_EQ(h.layer, c.layer);
        EXPECT_EQ(h.bitRate, c.bitRate);
        EXPECT_EQ(h.sampleRate, c.sampleRate);
        EXPECT_EQ(h.channels, c.channels);
        EXPECT_EQ(h.padding, c.padding);
        EXPECT_EQ(h.FrameLength(), c.frameLength) << int(c.bytes[1]) << " " << int(c.bytes[2]);
    }
}

TEST(MpegHeader, RefusesReservedValuesAndMissingSync) {
    const unsigned char cases[][4] = {
        {0xFF, 0xEB, 0x90, 0x00},  // version 01
        {0xFF, 0xF9, 0x90, 0x00},  // layer 00
        {0xFF, 0xFB, 0xF0, 0x00},  // bit rate index 15
        {0xFF, 0xFB, 0x9C, 0x00},  // sample rate index 3
        {0xFF, 0xFB, 0x90, 0x02},  // emphasis 2
        {0xFF, 0xDB, 0x90, 0x00},  // sync broken
        {0xFE, 0xFB, 0x90, 0x00},
    };
    for (const auto& bytes : cases) {
        MpegFrameHeader h;
        EXPECT_FALSE(DecodeMpegHeader(bytes, h)) << int(bytes[1]) << " " << int(bytes[2]) << " " << int(bytes[3]);
    }
}

TEST(MpegFormat, RawStreamRecordsFollowTheWaveLayouts) {
    test::TempDir dir;
    const std::string frame = "\xFF\xFB\x92\x00"s + std::string(414, '\0');
    const struct {
        std::string bytes;
        int64_t offset, size;
    } cases[] = {
        {"junk" + frame + frame, 4, 836},
        {"ID3\x03\0\0\0\0\0\x05"s + "\xFF\xFB\xFF\xFF\xFF" + frame + "TAG" + std::string(125, 'x'), 15, 418},
        {frame + "TAG" + std::string(125, 'x'), 0, 418},
    };
    for (const auto& c : cases) {
        test::WriteWholeFile(dir / "s.mp3", c.bytes);
        platform::File file;
        ASSERT_TRUE(file.Open(dir / "s.mp3", platform::File::modeRead));
        RawMpegStream stream;
        ASSERT_EQ(LocateRawMpeg(file, stream), RawMpegResult::ok);
        EXPECT_EQ(stream.dataOffset, c.offset);
        EXPECT_EQ(stream.dataSize, c.size);
        const WaveFormat& f = stream.format;
        EXPECT_EQ(f.tag, kFormatMpegLayer3);
        EXPECT_EQ(f.channels, 2);
        EXPECT_EQ(f.samplesPerSec, 44100u);
        EXPECT_EQ(f.avgBytesPerSec, 44100u * 2 * 2 / 10);
        EXPECT_EQ(f.blockAlign, 2);  // padding bit set
        EXPECT_EQ(f.bitsPerSample, 0);
        ASSERT_EQ(f.extra.size(), 12u);
        const auto* x = reinterpret_cast<const unsigned char*>(f.extra.data());
        EXPECT_EQ(GetLE16(x), 1);
        EXPECT_EQ(GetLE32(x + 2), 1u);    // padding on
        EXPECT_EQ(GetLE16(x + 6), 417);  // frame length without padding
        EXPECT_EQ(GetLE16(x + 8), 1);
    }
}

TEST(MpegFormat, Layer2RecordsCarryTheLayer2Code) {
    const WaveFormat dest = MpegDestinationFormat(2, 1, 48000, 192000);
    EXPECT_EQ(dest.tag, kFormatMpeg);
    EXPECT_EQ(dest.avgBytesPerSec, 24000u);
    ASSERT_EQ(dest.extra.size(), 22u);
    const auto* x = reinterpret_cast<const unsigned char*>(dest.extra.data());
    EXPECT_EQ(GetLE16(x), 2);  // ACM layer code of Layer 2
    EXPECT_EQ(GetLE32(x + 2), 192000u);
    EXPECT_EQ(GetLE16(x + 6), 8);  // single channel
}

// Frames of the given length behind one header each, silence in between.
std::string Frames(const std::string& header, size_t length, int count) {
    std::string frames;
    for (int i = 0; i < count; ++i) frames += header + std::string(length - header.size(), '\0');
    return frames;
}

TEST(MpegFormat, UnsupportedAndMissingFramesAreTold) {
    test::TempDir dir;
    const struct {
        std::string bytes;
        RawMpegResult result;
    } cases[] = {
        {"", RawMpegResult::unreadable},
        {"abc", RawMpegResult::unreadable},
        {std::string(3000, 'x') + "\xFF\xFB\x90\x00"s, RawMpegResult::noFrame},
        {Frames("\xFF\xE3\x90\x00"s, 522, 4), RawMpegResult::unsupported},  // MPEG-2.5
        {Frames("\xFF\xFF\x90\x00"s, 312, 4), RawMpegResult::unsupported},  // Layer I
        {"ID3\x03\0\0\x7F\x7F\x7F\x7F"s, RawMpegResult::unreadable},       // tag past the end
    };
    for (const auto& c : cases) {
        test::WriteWholeFile(dir / "s.mp3", c.bytes);
        platform::File file;
        ASSERT_TRUE(file.Open(dir / "s.mp3", platform::File::modeRead));
        RawMpegStream stream;
        EXPECT_EQ(LocateRawMpeg(file, stream), c.result) << c.bytes.size();
    }
}

TEST(MpegFormat, OnlyAStreamOfFramesCountsAsMpegAudio) {
    test::TempDir dir;
    const std::string sine = dir / "sine.wav";
    ASSERT_TRUE(test::MakeSine(sine, 44100, 2, 16, 1.0));
    const auto encoded = [&](const std::string& name, const std::vector<std::string>& options) {
        std::vector<std::string> argv = {"ffmpeg", "-nostdin", "-v", "error", "-y", "-i", sine};
        argv.insert(argv.end(), options.begin(), options.end());
        argv.push_back(dir / name);
        EXPECT_EQ(test::RunTool(argv).exitCode, 0) << name;
        return test::ReadWholeFile(dir / name);
    };
    std::mt19937 random(7);
    std::string noise(65536, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    for (size_t at = 100; at + 4 < noise.size(); at += 300) noise.replace(at, 4, "\xFF\xFB\x90\x00");
    const std::string aac = test::RunTool({"ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i", "sine=d=5",
                                           "-c:a", "aac", "-f", "adts", dir / "aac.mp3"})
                                    .exitCode == 0
                                ? test::ReadWholeFile(dir / "aac.mp3")
                                : "";
    ASSERT_FALSE(aac.empty());
    std::string rateChanges;
    for (int i = 0; i < 4; ++i) rateChanges += Frames("\xFF\xFB\x90\x00"s, 417, 1) + Frames("\xFF\xFB\x94\x00"s, 384, 1);
    rateChanges += "more";
    const struct {
        const char* what;
        std::string bytes;
        RawMpegResult result;
        uint16_t tag = 0;
        uint32_t rate = 0;
        uint16_t channels = 0;
        bool id3v1 = false;
    } cases[] = {
        {"CBR with an ID3v2 tag", encoded("cbr.mp3", {"-c:a", "libmp3lame", "-b:a", "128k"}), RawMpegResult::ok,
         kFormatMpegLayer3, 44100, 2},
        {"VBR", encoded("vbr.mp3", {"-c:a", "libmp3lame", "-q:a", "0"}), RawMpegResult::ok, kFormatMpegLayer3, 44100,
         2},
        {"mono 22 kHz", encoded("mono.mp3", {"-ac", "1", "-ar", "22050", "-c:a", "libmp3lame", "-q:a", "4"}),
         RawMpegResult::ok, kFormatMpegLayer3, 22050, 1},
        {"Layer 2 at 48 kHz", encoded("l2.mp2", {"-ar", "48000", "-c:a", "mp2", "-b:a", "192k"}), RawMpegResult::ok,
         kFormatMpeg, 48000, 2},
        {"ID3v1 at the end", encoded("v1.mp3", {"-c:a", "libmp3lame", "-b:a", "64k", "-write_id3v1", "1",
                                                 "-metadata", "title=News"}),
         RawMpegResult::ok, kFormatMpegLayer3, 44100, 2, true},
        {"a sync word after a few letters", "not audio\xFF\xFD\xA1\x8D"s, RawMpegResult::noFrame},
        {"a sync word in story text", "This is a story text.\n\xFF\xF3\x44\xC4 end\n"s, RawMpegResult::noFrame},
        {"AAC under an MP3 name", aac, RawMpegResult::noFrame},
        {"noise with frame headers here and there", noise, RawMpegResult::noFrame},
        {"frames whose sample rate changes every time", rateChanges, RawMpegResult::noFrame},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::WriteWholeFile(dir / "s.mp3", c.bytes);
        platform::File file;
        ASSERT_TRUE(file.Open(dir / "s.mp3", platform::File::modeRead));
        RawMpegStream stream;
        ASSERT_EQ(LocateRawMpeg(file, stream), c.result);
        if (c.result != RawMpegResult::ok) continue;
        EXPECT_EQ(static_cast<unsigned char>(c.bytes[stream.dataOffset]), 0xFF);
        EXPECT_EQ(stream.dataOffset + stream.dataSize, static_cast<int64_t>(c.bytes.size()) - (c.id3v1 ? 128 : 0));
        EXPECT_EQ(stream.format.tag, c.tag);
        EXPECT_EQ(stream.format.samplesPerSec, c.rate);
        EXPECT_EQ(stream.format.channels, c.channels);
    }
}

}  // namespace
}  // namespace pv::audio
