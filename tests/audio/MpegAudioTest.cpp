#include <gtest/gtest.h>

#include "audio/ByteOrder.h"
#include "audio/MpegAudio.h"
#include "platform/File.h"
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

TEST(MpegFormat, UnsupportedAndMissingFramesAreTold) {
    test::TempDir dir;
    const struct {
        std::string bytes;
        RawMpegResult result;
    } cases[] = {
        {"", RawMpegResult::unreadable},
        {"abc", RawMpegResult::unreadable},
        {std::string(3000, 'x') + "\xFF\xFB\x90\x00"s, RawMpegResult::noFrame},
        {"\xFF\xE3\x90\x00"s + std::string(100, '\0'), RawMpegResult::unsupported},  // MPEG-2.5
        {"\xFF\xFF\x90\x00"s + std::string(100, '\0'), RawMpegResult::unsupported},  // Layer I
        {"ID3\x03\0\0\x7F\x7F\x7F\x7F"s, RawMpegResult::unreadable},                 // tag past the end
    };
    for (const auto& c : cases) {
        test::WriteWholeFile(dir / "s.mp3", c.bytes);
        platform::File file;
        ASSERT_TRUE(file.Open(dir / "s.mp3", platform::File::modeRead));
        RawMpegStream stream;
        EXPECT_EQ(LocateRawMpeg(file, stream), c.result) << c.bytes.size();
    }
}

}  // namespace
}  // namespace pv::audio
