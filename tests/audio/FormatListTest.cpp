#include <gtest/gtest.h>

#include "support/AudioTestSupport.h"
#include "audio/FormatList.h"
#include "platform/File.h"
#include "support/TempDir.h"

namespace pv::audio {
namespace {

WaveFormat Pcm(uint16_t channels, uint32_t rate, uint16_t bits) {
    WaveFormat f;
    f.Parse(test::PcmFormat(channels, rate, bits));
    return f;
}

TEST(FormatList, CandidatesKeepTheChannelsAndUseLegalMpegCombinations) {
    for (const uint16_t channels : {1, 2}) {
        for (const WaveFormat& c : CandidateFormats(Pcm(channels, 44100, 16))) {
            EXPECT_EQ(c.channels, channels);
            if (c.tag == kFormatPcm) {
                EXPECT_EQ(c.bitsPerSample, 16);
                continue;
            }
            const uint32_t kbps = c.avgBytesPerSec * 8 / 1000;
            EXPECT_EQ(c.avgBytesPerSec * 8 % 1000, 0u);
            const bool mpeg1 = c.samplesPerSec >= 32000;
            EXPECT_GE(kbps, mpeg1 ? 32u : 8u);
            EXPECT_LE(kbps, mpeg1 ? (c.tag == kFormatMpeg ? 384u : 320u) : 160u);
            const bool layer2Mpeg1 = c.tag == kFormatMpeg && mpeg1;
            EXPECT_TRUE(!layer2Mpeg1 || channels == 1 || kbps == 64 || kbps >= 96) << kbps;
            EXPECT_TRUE(!layer2Mpeg1 || channels == 2 || kbps <= 192) << kbps;
        }
    }
    EXPECT_TRUE(CandidateFormats(Pcm(0, 44100, 16)).empty());
    for (const WaveFormat& c : CandidateFormats(Pcm(6, 44100, 24))) {
        EXPECT_EQ(c.tag, kFormatPcm);
        EXPECT_EQ(c.bitsPerSample, 24);
    }
}

TEST(FormatList, ChoosesNearestRateThenNearestByteRate) {
    const struct {
        WaveFormat source;
        int format;
        uint32_t bitRate;
        int ratio;
        bool lock;
        uint32_t rate;
        uint32_t chosenRate, chosenBytes;
    } cases[] = {
        {Pcm(2, 44100, 16), 85, 128000, 0, false, 0, 44100, 16000},
        {Pcm(2, 44100, 16), 85, 0, 0, false, 0, 44100, 40000},
        {Pcm(2, 44100, 16), 85, 0, 1, false, 0, 44100, 40000},
        {Pcm(2, 44100, 16), 80, 0, 0, false, 0, 44100, 48000},
        {Pcm(2, 44100, 16), 85, 0, 11, false, 0, 44100, 16000},  // 176400 / 11 = 16036
        {Pcm(2, 44100, 16), 85, 64000, 0, true, 22050, 22050, 8000},
        {Pcm(2, 44100, 16), 85, 128000, 0, true, 11025, 16000, 16000},
        {Pcm(1, 44100, 16), 80, 256000, 0, false, 0, 44100, 24000},
        {Pcm(2, 44100, 16), 80, 32000, 0, false, 0, 44100, 8000},
        {Pcm(2, 44100, 16), 1, 0, 0, true, 22050, 22050, 88200},
        {Pcm(2, 96000, 24), 1, 0, 0, false, 0, 96000, 576000},
        {Pcm(2, 44000, 16), 85, 128000, 0, false, 0, 44100, 16000},
    };
    for (const auto& c : cases) {
        FormatRequest request{c.format, c.bitRate, c.ratio, c.lock, c.rate};
        WaveFormat chosen;
        ASSERT_TRUE(ChooseFormat(c.source, request, CandidateFormats(c.source), chosen)) << c.format;
        EXPECT_EQ(chosen.tag, c.format);
        EXPECT_EQ(chosen.samplesPerSec, c.chosenRate) << c.format << " " << c.bitRate << " " << c.rate;
        EXPECT_EQ(chosen.avgBytesPerSec, c.chosenBytes) << c.format << " " << c.bitRate << " " << c.rate;
    }
    WaveFormat chosen;
    EXPECT_FALSE(ChooseFormat(Pcm(2, 44100, 16), FormatRequest{86}, CandidateFormats(Pcm(2, 44100, 16)), chosen));
    EXPECT_FALSE(ChooseFormat(Pcm(6, 44100, 16), FormatRequest{85}, CandidateFormats(Pcm(6, 44100, 16)), chosen));
}

TEST(FormatList, TheListFileIsReusedForTheSameSourceAndRebuiltForAnother) {
    test::TempDir dir;
    const std::string list = dir / "Format.dat";
    const WaveFormat stereo = Pcm(2, 44100, 16);
    WaveFormat chosen;
    ASSERT_TRUE(GetDestFormat(stereo, FormatRequest{85, 128000}, list, chosen));
    std::string bytes = test::ReadWholeFile(list);
    ASSERT_EQ(bytes.substr(0, 18), stereo.Serialize());

    // A list edited by hand is used as it is while its source matches.
    WaveFormat only = chosen;
    only.samplesPerSec = 12345;
    test::WriteWholeFile(list, stereo.Serialize() + only.Serialize());
    ASSERT_TRUE(GetDestFormat(stereo, FormatRequest{85, 128000}, list, chosen));
    EXPECT_EQ(chosen.samplesPerSec, 12345u);

    const WaveFormat mono = Pcm(1, 22050, 16);
    ASSERT_TRUE(GetDestFormat(mono, FormatRequest{85, 128000}, list, chosen));
    EXPECT_EQ(chosen.samplesPerSec, 22050u);
    EXPECT_EQ(chosen.channels, 1);
    EXPECT_EQ(test::ReadWholeFile(list).substr(0, 18), mono.Serialize());

    // Sources with more than 32 bits are listed as 16 bits and still found.
    const WaveFormat wide = Pcm(1, 48000, 64);
    ASSERT_TRUE(GetDestFormat(wide, FormatRequest{1}, list, chosen));
    EXPECT_EQ(chosen.bitsPerSample, 16);
    ASSERT_TRUE(GetDestFormat(wide, FormatRequest{1}, list, chosen));
}

TEST(FormatList, AGarbledListIsRebuilt) {
    test::TempDir dir;
    const std::string list = dir / "Format.dat";
    const WaveFormat stereo = Pcm(2, 44100, 16);
    for (const std::string& garbage : {std::string("x"), stereo.Serialize() + "\x01\x02", stereo.Serialize().substr(0, 17)}) {
        test::WriteWholeFile(list, garbage);
        WaveFormat chosen;
        const bool found = GetDestFormat(stereo, FormatRequest{85, 128000}, list, chosen);
        if (garbage.size() > 18) {
            EXPECT_FALSE(found);  // the list is made for this source but holds no such format
        } else {
            EXPECT_TRUE(found);
        }
    }
}

}  // namespace
}  // namespace pv::audio
