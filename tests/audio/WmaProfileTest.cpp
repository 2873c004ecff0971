#include <gtest/gtest.h>

#include <string>

#include "audio/WmaProfile.h"

using namespace std::string_literals;

namespace pv::audio {
namespace {

// A profile as the profile editor saves it: an audio stream at 44.1 kHz
// stereo, 128 kbit/s, WMA version 2.
const std::string kStereoProfile =
    "<profile version=\"589824\" storageformat=\"1\" name=\"News 128\" description=\"\">\r\n"
    "  <streamconfig majortype=\"{73647561-0000-0010-8000-00AA00389B71}\" streamnumber=\"1\"\r\n"
    "      streamname=\"Audio Stream\" inputname=\"Audio409\" bitrate=\"128016\" bufferwindow=\"-1\">\r\n"
    "    <wmmediatype subtype=\"{00000161-0000-0010-8000-00AA00389B71}\" bfixedsizesamples=\"1\">\r\n"
    "      <waveformatex wFormatTag=\"353\" nChannels=\"2\" nSamplesPerSec=\"44100\" nAvgBytesPerSec=\"16002\"\r\n"
    "          nBlockAlign=\"5945\" wBitsPerSample=\"16\" codecdata=\"008800000F0039B00000\"/>\r\n"
    "    </wmmediatype>\r\n"
    "  </streamconfig>\r\n"
    "</profile>\r\n";

std::string Utf16Le(const std::string& text) {
    std::string out;
    for (char c : text) out += std::string{c, '\0'};
    return out;
}

std::string Utf16Be(const std::string& text) {
    std::string out;
    for (char c : text) out += std::string{'\0', c};
    return out;
}

void ExpectStereo128(const WmaProfile& p) {
    EXPECT_EQ(p.formatTag, kWmaVersion2);
    EXPECT_EQ(p.channels, 2);
    EXPECT_EQ(p.samplesPerSec, 44100u);
    EXPECT_EQ(p.avgBytesPerSec, 16002u);
    EXPECT_EQ(p.blockAlign, 5945);
    EXPECT_EQ(p.bitsPerSample, 16);
    EXPECT_EQ(p.bitRate, 128016u);
}

TEST(WmaProfile, ReadsTheAudioStreamInEveryTextEncoding) {
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"UTF-16LE with BOM", "\xFF\xFE"s + Utf16Le(kStereoProfile)},
        {"UTF-16LE without BOM", Utf16Le(kStereoProfile)},
        {"UTF-16BE with BOM", "\xFE\xFF"s + Utf16Be(kStereoProfile)},
        {"UTF-8 with BOM", "\xEF\xBB\xBF"s + kStereoProfile},
        {"8-bit", kStereoProfile},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WmaProfile profile;
        ASSERT_TRUE(ParseWmaProfile(c.bytes, profile));
        ExpectStereo128(profile);
    }
}

TEST(WmaProfile, NamesInAnyCaseAndValuesInEitherQuote) {
    const std::string text =
        "<?xml version='1.0'?><PROFILE><StreamConfig BITRATE = '32000' >"
        "<WaveFormatEx NCHANNELS='1' nsamplespersec=\"22050\" WFormatTag = '0x161' /></StreamConfig></PROFILE>";
    WmaProfile profile;
    ASSERT_TRUE(ParseWmaProfile(text, profile));
    EXPECT_EQ(profile.formatTag, kWmaVersion2);
    EXPECT_EQ(profile.channels, 1);
    EXPECT_EQ(profile.samplesPerSec, 22050u);
    EXPECT_EQ(profile.bitRate, 32000u);
    EXPECT_EQ(profile.bitsPerSample, 16);  // not given
}

TEST(WmaProfile, TakesTheAudioStreamPastVideoStreamsAndComments) {
    const std::string text =
        "<profile><!-- <waveformatex nChannels=\"6\" nSamplesPerSec=\"96000\"/> -->"
        "<streamconfig majortype=\"{73646976-0000-0010-8000-00AA00389B71}\" bitrate=\"900000\">"
        "<wmmediatype subtype=\"{33564D57-0000-0010-8000-00AA00389B71}\"><videoinfoheader dwbitrate=\"900000\"/>"
        "</wmmediatype></streamconfig>"
        "<streamconfig bitrate=\"48000\"><wmmediatype subtype=\"{00000161-0000-0010-8000-00AA00389B71}\">"
        "<waveformatex nChannels=\"2\" nSamplesPerSec=\"32000\" nAvgBytesPerSec=\"6000\"/>"
        "</wmmediatype></streamconfig></profile>";
    WmaProfile profile;
    ASSERT_TRUE(ParseWmaProfile(text, profile));
    EXPECT_EQ(profile.channels, 2);
    EXPECT_EQ(profile.samplesPerSec, 32000u);
    EXPECT_EQ(profile.bitRate, 48000u);
    EXPECT_EQ(profile.formatTag, kWmaVersion2);  // from the media subtype
}

TEST(WmaProfile, BitRateFallsBackToTheAverageByteRate) {
    WmaProfile profile;
    ASSERT_TRUE(ParseWmaProfile("<waveformatex wFormatTag=\"10\" nChannels=\"1\" nSamplesPerSec=\"16000\" "
                                "nAvgBytesPerSec=\"2500\"/>",
                                profile));
    EXPECT_EQ(profile.formatTag, kWmaVoice);
    EXPECT_EQ(profile.bitRate, 20000u);
}

TEST(WmaProfile, RefusesProfilesWithoutAUsableAudioStream) {
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"BOM only", "\xFF\xFE"},
        {"not XML", "\x01\x02\x03<<<>>>\"'=="s},
        {"no wave format", "<profile><streamconfig bitrate=\"1\"/></profile>"},
        {"no channels", "<waveformatex nSamplesPerSec=\"44100\"/>"},
        {"no rate", "<waveformatex nChannels=\"2\"/>"},
        {"zero channels", "<waveformatex nChannels=\"0\" nSamplesPerSec=\"44100\"/>"},
        {"channels out of range", "<waveformatex nChannels=\"65536\" nSamplesPerSec=\"44100\"/>"},
        {"rate out of range", "<waveformatex nChannels=\"2\" nSamplesPerSec=\"99999999999999999999\"/>"},
        {"rate not a number", "<waveformatex nChannels=\"2\" nSamplesPerSec=\"fast\"/>"},
        {"negative rate", "<waveformatex nChannels=\"2\" nSamplesPerSec=\"-44100\"/>"},
        {"unterminated quote", "<waveformatex nChannels=\"2\" nSamplesPerSec=\"44100"},
        {"cut inside a name", "<waveformatex nChannels=\"2\" nSamples"},
        {"cut after '<'", "<"},
        {"unterminated comment", "<!-- <waveformatex nChannels=\"2\" nSamplesPerSec=\"44100\"/>"},
        {"odd UTF-16 length", "\xFF\xFE"s + Utf16Le("<waveformatex nChannels=\"2\"") + "x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WmaProfile profile;
        EXPECT_FALSE(ParseWmaProfile(c.bytes, profile));
    }
}

TEST(WmaProfile, TextOutsideAsciiBecomesQuestionMarks) {
    EXPECT_EQ(ProfileText("\xFF\xFE" "a\0\xE9\0\x3B\x26"s), "a??");
    EXPECT_EQ(ProfileText("caf\xC3\xA9"), "caf??");
}

}  // namespace
}  // namespace pv::audio
