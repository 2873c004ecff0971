#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "support/AudioTestSupport.h"
#include "audio/CodecEngine.h"
#include "audio/WmaEncoder.h"
#include "support/FakeClock.h"
#include "support/FtpServers.h"
#include "support/TempDir.h"
#include "transport/FileAccess.h"
#include "transport/FtpFile.h"

using namespace std::string_literals;
namespace fs = std::filesystem;

namespace pv {
namespace {

struct ProfileShape {
    uint16_t formatTag;
    uint16_t channels;
    uint32_t rate;
    uint32_t bitRate;
};

constexpr ProfileShape kStereo128{audio::kWmaVersion2, 2, 44100, 128016};
constexpr ProfileShape kMono32{audio::kWmaVersion2, 1, 22050, 32040};

// A saved profile: UTF-16LE XML with a byte-order mark.
std::string ProfileBytes(const ProfileShape& p) {
    const std::string text =
        "<profile version=\"589824\" storageformat=\"1\" name=\"Test\" description=\"\">\r\n"
        " <streamconfig majortype=\"{73647561-0000-0010-8000-00AA00389B71}\" streamnumber=\"1\" bitrate=\"" +
        std::to_string(p.bitRate) + "\">\r\n  <wmmediatype subtype=\"{00000161-0000-0010-8000-00AA00389B71}\">\r\n" +
        "   <waveformatex wFormatTag=\"" + std::to_string(p.formatTag) + "\" nChannels=\"" +
        std::to_string(p.channels) + "\" nSamplesPerSec=\"" + std::to_string(p.rate) + "\" nAvgBytesPerSec=\"" +
        std::to_string(p.bitRate / 8) + "\" nBlockAlign=\"4096\" wBitsPerSample=\"16\"/>\r\n" +
        "  </wmmediatype>\r\n </streamconfig>\r\n</profile>\r\n";
    std::string bytes = "\xFF\xFE";
    for (char c : text) bytes += std::string{c, '\0'};
    return bytes;
}

double Seconds(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

// The mean level of a file's decoded audio in dB, as ffmpeg measures it.
double MeanVolume(const std::string& path) {
    const auto result = test::RunTool({"ffmpeg", "-nostdin", "-i", path, "-af", "volumedetect", "-f", "null", "-"});
    const size_t at = result.output.find("mean_volume:");
    return at == std::string::npos ? 0.0 : std::strtod(result.output.c_str() + at + 12, nullptr);
}

TEST(WmaSamples, OneSecondEachTheLastOneLess) {
    // 2.5 s of 44.1 kHz stereo 16-bit.
    const auto samples = OneSecondSamples(441000, 176400);
    ASSERT_EQ(samples.size(), 3u);
    const uint64_t offsets[] = {0, 176400, 352800};
    const uint32_t sizes[] = {176400, 176400, 88200};
    const uint64_t times[] = {0, 10'000'000, 20'000'000};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(samples[i].offset, offsets[i]);
        EXPECT_EQ(samples[i].size, sizes[i]);
        EXPECT_EQ(samples[i].time, times[i]);
    }
    EXPECT_TRUE(OneSecondSamples(0, 176400).empty());
    EXPECT_TRUE(OneSecondSamples(1000, 0).empty());
    EXPECT_EQ(OneSecondSample(441000, 441000, 176400).size, 0u);
}

TEST(WmaSamples, TimesRoundDownAndStayExactNearFourGigabytes) {
    EXPECT_EQ(OneSecondSample(3, 1000, 7).time, 4'285'714u);  // 3e7 / 7
    const WmaSample big = OneSecondSample(4'000'000'000u, 0xFFFFFFFFu, 176400);
    EXPECT_EQ(big.size, 176400u);
    EXPECT_EQ(big.time, 226'757'369'614u);
    const auto all = OneSecondSamples(0xFFFFFFFFu, 176400);
    ASSERT_EQ(all.size(), 24348u);
    EXPECT_EQ(all.back().offset, 4'294'810'800u);
    EXPECT_EQ(all.back().size, 156'495u);
    EXPECT_EQ(all.back().time, 243'470'000'000u);
}

class WmaEncoderTest : public ::testing::Test {
protected:
    std::string Profile(const std::string& name, const ProfileShape& shape) {
        const std::string path = m_dir / name;
        test::WriteWholeFile(path, ProfileBytes(shape));
        return path;
    }
    std::string Wav(const std::string& name, const std::string& bytes) {
        const std::string path = m_dir / name;
        test::WriteWholeFile(path, bytes);
        return path;
    }
    int32_t Encode(const std::string& source, std::string& destination, const std::string& profile) {
        return m_encoder.Encode(source, destination, profile, m_fileObject);
    }
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_dir.Path())) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    test::TempDir m_dir;
    NullReporter m_reporter;
    test::FakeClock m_clock;
    FileAccess m_access{m_reporter, m_clock};
    audio::CodecModule m_codecs;
    CFTPFile m_fileObject{m_access};
    CWMMain m_encoder{m_access, m_codecs};
};

TEST_F(WmaEncoderTest, EncodesAStereoSourceAsItsProfileSays) {
    const std::string source = m_dir / "news.wav";
    ASSERT_TRUE(test::MakeSine(source, 44100, 2, 16, 2.5));
    std::string destination = m_dir / "news";
    ASSERT_EQ(Encode(source, destination, Profile("stereo.prx", kStereo128)), kWmaOk) << m_encoder.ErrorText();
    EXPECT_EQ(destination, m_dir / "news.wma");
    EXPECT_EQ(m_encoder.ErrorText(), "");
    auto probe = test::Probe(destination);
    EXPECT_EQ(probe["format_name"], "asf");
    EXPECT_EQ(probe["codec_name"], "wmav2");
    EXPECT_EQ(probe["sample_rate"], "44100");
    EXPECT_EQ(probe["channels"], "2");
    EXPECT_NEAR(Seconds(probe["duration"]), 2.5, 0.15);
    EXPECT_EQ(test::DecodeErrors(destination), "");
    const double sourceLevel = MeanVolume(source);
    ASSERT_LT(sourceLevel, -1.0);  // a measured level, not the fallback
    EXPECT_NEAR(MeanVolume(destination), sourceLevel, 1.0);
}

TEST_F(WmaEncoderTest, EncodesAMonoSourceAndReusesTheWriter) {
    const std::string stereo = m_dir / "stereo.wav", mono = m_dir / "mono.wav";
    ASSERT_TRUE(test::MakeSine(stereo, 44100, 2, 16, 0.3));
    ASSERT_TRUE(test::MakeSine(mono, 22050, 1, 16, 0.7));
    std::string first = m_dir / "first.wma", second = m_dir / "second.WMA";
    ASSERT_EQ(Encode(stereo, first, Profile("stereo.prx", kStereo128)), kWmaOk);
    WmaWriter* writer = m_encoder.Writer();
    ASSERT_EQ(Encode(mono, second, Profile("mono.prx", kMono32)), kWmaOk) << m_encoder.ErrorText();
    EXPECT_EQ(m_encoder.Writer(), writer);
    EXPECT_EQ(second, m_dir / "second.WMA");
    auto probe = test::Probe(second);
    EXPECT_EQ(probe["codec_name"], "wmav2");
    EXPECT_EQ(probe["sample_rate"], "22050");
    EXPECT_EQ(probe["channels"], "1");
    EXPECT_NEAR(Seconds(probe["duration"]), 0.7, 0.15);
    EXPECT_EQ(test::DecodeErrors(second), "");
}

TEST_F(WmaEncoderTest, DataChunkLongerThanTheFileIsEncodedToTheEnd) {
    std::string bytes = test::PcmWav(2, 44100, 16, 176400 / 2);  // 0.5 s
    bytes.replace(40, 4, test::LE32(10 * 176400));  // says 10 s
    std::string destination = m_dir / "long.wma";
    ASSERT_EQ(Encode(Wav("long.wav", bytes), destination, Profile("p.prx", kStereo128)), kWmaOk);
    EXPECT_NEAR(Seconds(test::Probe(destination)["duration"]), 0.5, 0.15);
    EXPECT_EQ(test::DecodeErrors(destination), "");
}

TEST_F(WmaEncoderTest, DestinationGetsTheExtensionUnlessItEndsSo) {
    const std::string source = Wav("s.wav", test::PcmWav(1, 22050, 16, 4410));
    const std::string profile = Profile("p.prx", kMono32);
    const struct {
        std::string destination, result;
    } cases[] = {
        {m_dir / "x.wav", m_dir / "x.wav.wma"},
        {m_dir / "y.WMA", m_dir / "y.WMA"},
        {m_dir / "z.Wma", m_dir / "z.Wma"},
        {m_dir / "plain", m_dir / "plain.wma"},
    };
    for (const auto& c : cases) {
        std::string destination = c.destination;
        EXPECT_EQ(Encode(source, destination, profile), kWmaOk) << c.destination;
        EXPECT_EQ(destination, c.result);
        EXPECT_TRUE(fs::exists(c.result)) << c.result;
    }
    for (std::string tooShort : {""s, "a"s, ".wma"s, "x.wa"s}) {
        const std::string before = tooShort;
        EXPECT_EQ(Encode(source, tooShort, profile), kWmaOutOfMemory) << before;
        EXPECT_EQ(tooShort, before);
    }
}

TEST_F(WmaEncoderTest, RefusesSourcesItCannotTake) {
    const std::string pcm = test::Chunk("fmt ", test::PcmFormat(2, 44100, 16));
    const std::string data = test::Chunk("data", std::string(4000, '\x10'));
    std::string mp3Format = test::PcmFormat(2, 44100, 16);
    mp3Format.replace(0, 2, test::LE16(85));
    const std::string notCorrect = "File is not the correct format: %s.", cantRead = "Can't read file %s.";
    const struct {
        const char* name;
        std::string bytes, message;
    } cases[] = {
        {"fact before data", test::RiffWave(pcm + test::Chunk("fact", test::LE32(1000)) + data), notCorrect},
        {"LIST before data", test::RiffWave(pcm + test::Chunk("LIST", "INFOISFT\4\0\0\0abc\0"s) + data), notCorrect},
        {"LIST before fmt", test::RiffWave(test::Chunk("LIST", "INFO") + pcm + data), notCorrect},
        {"MPEG layer 3", test::RiffWave(test::Chunk("fmt ", mp3Format) + data), notCorrect},
        {"not RIFF", "RIFX" + test::RiffWave(pcm + data).substr(4), notCorrect},
        {"not WAVE", test::RiffWave(pcm + data).replace(8, 4, "AVI "), notCorrect},
        {"fmt of 14 bytes", test::RiffWave(test::Chunk("fmt ", test::PcmFormat(2, 44100, 16).substr(0, 14)) + data),
         notCorrect},
        {"fmt of 42 bytes",
         test::RiffWave(test::Chunk("fmt ", test::PcmFormat(2, 44100, 16) + std::string(26, '\0')) + data), notCorrect},
        {"huge fmt size", "RIFF"s + test::LE32(100) + "WAVEfmt " + test::LE32(0xFFFFFFF0u) + std::string(64, '\1'),
         notCorrect},
        {"empty file", "", cantRead},
        {"header cut short", "RIFF\x10\0\0\0WAVEfm"s, cantRead},
        {"format cut short", test::RiffWave(pcm).substr(0, 30), cantRead},
        {"no data header", test::RiffWave(pcm), cantRead},
        {"data header cut short", test::RiffWave(pcm) + "data\x10\0", cantRead},
    };
    const std::string profile = Profile("p.prx", kStereo128);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string source = Wav("in.wav", c.bytes);
        std::string destination = m_dir / "out.wma";
        CWMMain encoder(m_access, m_codecs);
        EXPECT_LT(encoder.Encode(source, destination, profile, m_fileObject), 0);
        std::string expected = c.message;
        EXPECT_EQ(encoder.ErrorText(), expected.replace(expected.find("%s"), 2, source));
        EXPECT_FALSE(fs::exists(destination));
    }
}

TEST_F(WmaEncoderTest, SourceMustBeInThePcmFormatOfTheProfile) {
    const struct {
        const char* name;
        std::string source;
        ProfileShape profile;
    } cases[] = {
        {"stereo 44.1 kHz source, mono 22.05 kHz profile", test::PcmWav(2, 44100, 16, 17640), kMono32},
        {"mono source, stereo profile", test::PcmWav(1, 44100, 16, 8820), kStereo128},
        {"other rate", test::PcmWav(2, 48000, 16, 19200), kStereo128},
        {"8-bit source", test::PcmWav(2, 44100, 8, 8820), kStereo128},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string profile = Profile("p.prx", c.profile);
        std::string destination = m_dir / "out.wma";
        test::WriteWholeFile(destination, "earlier output");
        CWMMain encoder(m_access, m_codecs);
        EXPECT_LT(encoder.Encode(Wav("in.wav", c.source), destination, profile, m_fileObject), 0);
        EXPECT_EQ(encoder.ErrorText(), "Audio file does not match profile " + profile + ".");
        EXPECT_EQ(test::ReadWholeFile(destination), "earlier output");
    }
}

TEST_F(WmaEncoderTest, MissingOrUnreadableProfile) {
    const std::string source = Wav("in.wav", test::PcmWav(2, 44100, 16, 17640));
    const std::string garbage = Wav("garbage.prx", "\xFF\xFE<\0p\0>\0"s);
    fs::create_directory(m_dir.Path() / "folder.prx");
    for (const std::string& profile : {m_dir / "missing.prx", garbage, m_dir / "folder.prx", ""s}) {
        std::string destination = m_dir / "out.wma";
        CWMMain encoder(m_access, m_codecs);
        EXPECT_LT(encoder.Encode(source, destination, profile, m_fileObject), 0) << profile;
        EXPECT_EQ(encoder.ErrorText(), "Profile does not exist: " + profile + ".");
        EXPECT_FALSE(fs::exists(destination));
    }
}

TEST_F(WmaEncoderTest, ProfileWithValuesWeCannotEncodeHasNoPcmInputAndSaysWhichValues) {
    const struct {
        ProfileShape shape;
        std::string unsupported;
    } cases[] = {
        {{audio::kWmaVoice, 1, 16000, 20000}, "format tag 10 (WMA Voice), bit rate 20000 bit/s."},
        {{audio::kWmaLossless, 2, 44100, 1000000}, "format tag 355 (WMA Lossless)."},
        {{audio::kWmaPro, 2, 44100, 192000}, "format tag 354 (WMA Pro)."},
        {{audio::kWmaPro, 6, 48000, 384000}, "format tag 354 (WMA Pro), 6 channels."},
        {{0, 2, 44100, 128000}, "format tag 0."},
        {{audio::kWmaVersion2, 2, 96000, 128000}, "sample rate 96000 Hz."},
        {{audio::kWmaVersion2, 6, 44100, 384000}, "6 channels."},
        {{audio::kWmaVersion1, 1, 22050, 16000}, "bit rate 16000 bit/s."},
    };
    const std::string source = Wav("in.wav", test::PcmWav(2, 44100, 16, 17640));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.unsupported);
        std::string destination = m_dir / "out.wma";
        const std::string profile = Profile("p.prx", c.shape);
        CWMMain encoder(m_access, m_codecs);
        EXPECT_EQ(encoder.Encode(source, destination, profile, m_fileObject), kWmaNoPcmInputFormat);
        EXPECT_EQ(encoder.ErrorText(),
                  "Profile " + profile + " asks for what the WMA encoder does not support: " + c.unsupported);
        EXPECT_FALSE(fs::exists(destination));
    }
}

TEST_F(WmaEncoderTest, FindsThePcmInputTheProfileExpects) {
    audio::WmaProfile profile;
    ASSERT_EQ(m_encoder.LoadProfile(Profile("mono.prx", kMono32), profile), kWmaOk);
    ASSERT_EQ(m_encoder.GetWriter(), kWmaOk);
    m_encoder.Writer()->SetProfile(profile);
    audio::WaveFormat input;
    ASSERT_EQ(m_encoder.FindPcmInputFormat(*m_encoder.Writer(), 0, input), kWmaOk);
    EXPECT_EQ(input.tag, audio::kFormatPcm);
    EXPECT_EQ(input.channels, 1);
    EXPECT_EQ(input.samplesPerSec, 22050u);
    EXPECT_EQ(input.bitsPerSample, 16);
    EXPECT_EQ(input.blockAlign, 2);
    EXPECT_EQ(m_encoder.FindPcmInputFormat(*m_encoder.Writer(), 1, input), kWmaNoPcmInputFormat);
    profile.formatTag = audio::kWmaVoice;
    m_encoder.Writer()->SetProfile(profile);
    EXPECT_EQ(m_encoder.FindPcmInputFormat(*m_encoder.Writer(), 0, input), kWmaNoPcmInputFormat);
    EXPECT_EQ(m_encoder.LastResult(), kWmaNoPcmInputFormat);
}

TEST_F(WmaEncoderTest, MissingSourceOrUnwritableDestination) {
    const std::string profile = Profile("p.prx", kStereo128);
    std::string destination = m_dir / "out.wma";
    EXPECT_LT(Encode(m_dir / "none.wav|editor|s3cret|", destination, profile), 0);
    EXPECT_EQ(m_encoder.ErrorText(), "Can't open file " + m_dir / "none.wav" + ".");

    const std::string source = Wav("in.wav", test::PcmWav(2, 44100, 16, 17640));
    std::string inMissingFolder = m_dir / "no/such/folder/out.wma";
    EXPECT_LT(Encode(source, inMissingFolder, profile), 0);
    fs::create_directory(m_dir.Path() / "taken.wma");
    std::string aFolder = m_dir / "taken.wma";
    EXPECT_LT(Encode(source, aFolder, profile), 0);
    EXPECT_TRUE(fs::is_directory(aFolder));  // not removed as a partial output
    std::string ftpDestination = "ftp://127.0.0.1/out.wma";
    EXPECT_EQ(Encode(source, ftpDestination, profile), kWmaPathNotFound);
    EXPECT_EQ(Files(), (std::vector<std::string>{"in.wav", "p.prx", "taken.wma"}));
}

TEST(WmaEncoderFtp, ReadsTheSourceWithTheFileObjectsLogon) {
    test::PyFtpServer server;
    test::TempDir dir;
    ASSERT_TRUE(test::MakeSine((server.Root() / "in.wav").string(), 22050, 1, 16, 0.5));
    test::WriteWholeFile(dir / "mono.prx", ProfileBytes(kMono32));
    FileAccessSettings settings;
    settings.secondsBetweenFtpCommands = 0;
    settings.delayAfterLogonSeconds = 0;
    NullReporter reporter;
    FileAccess access(reporter, platform::DefaultClock(), settings);
    CFTPFile fileObject(access);
    fileObject.SetCredentials(server.User(), server.Password());
    audio::CodecModule codecs;
    CWMMain encoder(access, codecs);
    std::string destination = dir / "out";
    const std::string url = "ftp://127.0.0.1:" + std::to_string(server.Port()) + "/in.wav";
    ASSERT_EQ(encoder.Encode(url, destination, dir / "mono.prx", fileObject), kWmaOk) << encoder.ErrorText();
    EXPECT_EQ(test::Probe(destination)["channels"], "1");
    EXPECT_EQ(test::DecodeErrors(destination), "");
}

}  // namespace
}  // namespace pv
