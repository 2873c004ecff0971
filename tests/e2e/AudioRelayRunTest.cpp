#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "audio/AudioFileHeader.h"
#include "support/AudioTestSupport.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"

namespace pv {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using test::Chunk;
using test::LE32;

std::string Cart(const std::string& cutId, const std::string& title = "Budget, part 2") {
    std::string cart(2048, '\0');
    const auto put = [&cart](size_t offset, const std::string& text) { cart.replace(offset, text.size(), text); };
    put(0, "0101");
    put(4, title);
    put(68, "Desk");
    put(132, cutId);
    return cart;
}

std::string TagBlock(const std::string& description) {
    const std::string block = "QMTGBEGN\r\nQMTGDESC:" + description + "\r\nQMTGENDL\r\n";
    return Chunk("LIST", "INFO" + Chunk("ICMT", block));
}

// A saved WMA profile (UTF-16LE with a byte-order mark) for one audio stream.
std::string WmaProfile(int formatTag, int channels, int rate, int bitRate) {
    char subtype[16];
    std::snprintf(subtype, sizeof subtype, "%08X", static_cast<unsigned>(formatTag));
    const std::string text =
        "<profile version=\"589824\" storageformat=\"1\" name=\"Newsroom\" description=\"\">\r\n"
        " <streamconfig majortype=\"{73647561-0000-0010-8000-00AA00389B71}\" streamnumber=\"1\" bitrate=\"" +
        std::to_string(bitRate) + "\">\r\n  <wmmediatype subtype=\"{" + subtype +
        "-0000-0010-8000-00AA00389B71}\">\r\n   <waveformatex wFormatTag=\"" + std::to_string(formatTag) +
        "\" nChannels=\"" + std::to_string(channels) + "\" nSamplesPerSec=\"" + std::to_string(rate) +
        "\" nAvgBytesPerSec=\"" + std::to_string(bitRate / 8) +
        "\" nBlockAlign=\"2048\" wBitsPerSample=\"16\"/>\r\n  </wmmediatype>\r\n </streamconfig>\r\n</profile>\r\n";
    std::string profile = "\xFF\xFE";
    for (char c : text) profile += std::string{c, '\0'};
    return profile;
}

// wmav2, 64 kbit/s, 22.05 kHz mono.
std::string News64Profile() { return WmaProfile(353, 1, 22050, 64000); }

class AudioRelayRun : public ::testing::Test {
protected:
    AudioRelayRun() {
        fs::create_directories(work / "Pressvane");
        fs::create_directories(work / "in");
        fs::create_directories(work / "out");
    }
    // mainKeys go to section [Pressvane].
    void Settings(const std::string& routeAndMore, const std::string& mainKeys = "") {
        test::WriteWholeFile(work / "Pressvane/Pressvane.ini",
                             "[Pressvane]\r\nLog=Yes\r\n" + mainKeys + "[MoveFiles]\r\nIn0=" + work.Folder() +
                                 "in/\r\nOut0=" + work.Folder() + "out/\r\nProcessDatFiles0=No\r\nScanTwice0=No\r\n" +
                                 routeAndMore);
    }
    // Route n > 0 reads inN/ and delivers to outN/.
    std::string Route(int n, const std::string& keys) {
        const std::string i = std::to_string(n);
        fs::create_directories(work / ("in" + i));
        fs::create_directories(work / ("out" + i));
        return "In" + i + "=" + work.Folder() + "in" + i + "/\r\nOut" + i + "=" + work.Folder() + "out" + i +
               "/\r\nProcessDatFiles" + i + "=No\r\nScanTwice" + i + "=No\r\n" + keys;
    }
    void Input(const std::string& name, const std::string& bytes, const std::string& folder = "in/") {
        test::WriteWholeFile(work / (folder + name), bytes);
        fs::last_write_time(work / (folder + name), fs::file_time_type::clock::now() - 1min);
    }
    std::string Run(const std::vector<std::string>& environment = {}) {
        test::ChildProcess child({PRESSVANE_BIN, "/PATH=" + work.Folder(), "Once", "EasyExit", "/M"},
                                 scratch / "out.txt", environment);
        EXPECT_EQ(child.Wait(120s), 0);
        return test::ReadWholeFile(scratch / "out.txt");
    }
    test::TempDir work, scratch;
};

TEST_F(AudioRelayRun, Mp3RouteConvertsKeepsTagsAndNamesFromTheCart) {
    Settings("AudioFormat0=85\r\nAudioBitrate0=128000\r\n[Cart chunk]\r\nconvert-cart-to-chunk=Yes\r\n"
             "TargetName-from-CART=CUTID\r\n");
    Input("budget.wav", test::PcmWav(2, 44100, 16, 44100 * 4, Chunk("cart", Cart("CUT123")), TagBlock("Budget story")));
    const std::string log = Run();
    const std::string out = work / "out/CUT123.mp3";
    ASSERT_TRUE(fs::exists(out)) << log;
    auto probe = test::Probe(out);
    EXPECT_EQ(probe["codec_name"], "mp3");
    EXPECT_EQ(probe["bit_rate"], "128000");
    EXPECT_EQ(test::DecodeErrors(out), "");
    CAudioFileHeader header;
    ASSERT_TRUE(header.ReadHeader(out));
    EXPECT_FALSE(header.Tag(tagDescription).empty());
    EXPECT_NE(log.find("Changing Output filename from"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(work / "in"));
}

TEST_F(AudioRelayRun, WmaProfileRouteProducesWindowsMediaAudio) {
    test::WriteWholeFile(work / "Pressvane/news64.prx", News64Profile());
    Settings("AudioFormat0=1\r\nLockSampleOnDecode0=Yes\r\nLockSampleRate0=8000\r\nWMAProfileName0=" + work.Folder() +
             "Pressvane/news64.prx\r\n");
    Input("bulletin.wav", test::PcmWav(1, 22050, 16, 22050 * 2 * 2));
    const std::string log = Run();
    const std::string out = work / "out/bulletin.wma";
    ASSERT_TRUE(fs::exists(out)) << log;
    auto probe = test::Probe(out);
    EXPECT_EQ(probe["format_name"], "asf");
    EXPECT_EQ(probe["codec_name"], "wmav2");
    EXPECT_EQ(probe["sample_rate"], "22050");
    EXPECT_EQ(probe["channels"], "1");
    EXPECT_EQ(test::DecodeErrors(out), "");
}

TEST_F(AudioRelayRun, ExternalProgramGetsEachPathAsOneArgument) {
    const fs::path tools = work.Path() / "tools with blanks 'and' quotes";
    fs::create_directories(tools);
    const std::string script = (tools / "encode it.sh").string();
    test::WriteWholeFile(script, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"" +
                                     (work / "argv.txt") + "\"\ncp \"$1\" \"$2\"\n");
    fs::permissions(script, fs::perms::owner_all);
    Settings("AudioFormat0=1001\r\n[Audio Formats]\r\n1001 Exe=" + script + "\r\n1001 Ext=.mp3\r\n");
    Input("it's a clip.wav", test::PcmWav(1, 8000, 16, 16000));
    const std::string log = Run();
    const std::string argv = test::ReadWholeFile(work / "argv.txt");
    EXPECT_NE(argv.find(work.Folder() + "in/it's a clip.wav\n"), std::string::npos) << argv << log;
    EXPECT_NE(argv.find("\nit's a clip.wav\n"), std::string::npos) << argv;
    EXPECT_TRUE(fs::exists(work / "out/it's a clip.mp3")) << log;
}

TEST_F(AudioRelayRun, AFileForSeveralOutputsIsConvertedOnce) {
    const std::string script = work / "encode.sh", runs = work / "runs.txt";
    test::WriteWholeFile(script, "#!/bin/sh\necho \"$1\" >> \"" + runs + "\"\ncp \"$1\" \"$2\"\n");
    fs::permissions(script, fs::perms::owner_all);
    fs::create_directories(work / "out2");
    fs::create_directories(work / "out3");
    Settings("AudioFormat0=1001\r\n[Audio Formats]\r\n1001 Exe=" + script + "\r\n1001 Ext=.mp3\r\n");
    // The same route, with three outputs.
    std::string settings = test::ReadWholeFile(work / "Pressvane/Pressvane.ini");
    const std::string out0 = "Out0=" + work.Folder() + "out/";
    settings.replace(settings.find(out0), out0.size(), out0 + ", " + work.Folder() + "out2/, " + work.Folder() + "out3/");
    test::WriteWholeFile(work / "Pressvane/Pressvane.ini", settings);
    const std::string clip = test::PcmWav(1, 8000, 16, 16000), bulletin = test::PcmWav(1, 8000, 16, 8000);
    Input("clip.wav", clip);
    Input("bulletin.wav", bulletin);
    const std::string log = Run();
    for (const char* out : {"out/", "out2/", "out3/"}) {
        EXPECT_EQ(test::ReadWholeFile(work / (std::string(out) + "clip.mp3")), clip) << out << log;
        EXPECT_EQ(test::ReadWholeFile(work / (std::string(out) + "bulletin.mp3")), bulletin) << out << log;
    }
    const std::string ran = test::ReadWholeFile(runs);
    EXPECT_EQ(std::count(ran.begin(), ran.end(), '\n'), 2) << ran;
    EXPECT_TRUE(fs::is_empty(work / "in"));
}

TEST_F(AudioRelayRun, MissingProgramDeliversTheFileUnchanged) {
    Settings("AudioFormat0=1001\r\n[Audio Formats]\r\n1001 Exe=/nonexistent/encoder\r\n");
    const std::string wav = test::PcmWav(1, 8000, 16, 16000);
    Input("clip.wav", wav);
    const std::string log = Run();
    EXPECT_NE(log.find("Compression: File not found: /nonexistent/encoder"), std::string::npos) << log;
    EXPECT_NE(log.find("Failed to compress audio file using compression 1001"), std::string::npos);
    EXPECT_NE(log.find("Moving the file " + work.Folder() + "out/clip.wav as is instead of compressing it."),
              std::string::npos);
    EXPECT_EQ(test::ReadWholeFile(work / "out/clip.wav"), wav);
}

TEST_F(AudioRelayRun, AFailingProgramLeavesTheFileUnchanged) {
    // Route n (folders inN and outN, in and out for 0) runs program 1001+n,
    // which fails in its own way.
    const struct {
        std::string script;
        std::string reason;
    } cases[] = {
        {": > \"$2\"; exit 1", "ended with exit code 1."},
        {"head -c 1000 \"$1\" > \"$2\"; exit 3", "ended with exit code 3."},
        {": > \"$2\"", "wrote no output."},
    };
    const auto folder = [](const char* side, size_t n) { return side + (n ? std::to_string(n) : "") + "/"; };
    const std::string wav = test::PcmWav(1, 8000, 16, 16000);
    std::string routes, programs;
    for (size_t n = 0; n < std::size(cases); ++n) {
        const std::string i = std::to_string(n), format = std::to_string(1001 + n);
        fs::create_directories(work / folder("in", n));
        fs::create_directories(work / folder("out", n));
        const std::string script = work / ("encode" + i + ".sh");
        test::WriteWholeFile(script, "#!/bin/sh\n" + cases[n].script + "\n");
        fs::permissions(script, fs::perms::owner_all);
        if (n > 0) {
            routes += "In" + i + "=" + (work / folder("in", n)) + "\r\nOut" + i + "=" + (work / folder("out", n)) +
                      "\r\nProcessDatFiles" + i + "=No\r\nScanTwice" + i + "=No\r\n";
        }
        routes += "AudioFormat" + i + "=" + format + "\r\n";
        programs += format + " Exe=" + script + "\r\n" + format + " Ext=.mp3\r\n";
        Input("take.wav", wav, folder("in", n));
    }
    Settings(routes + "[Audio Formats]\r\n" + programs);
    const std::string log = Run();
    for (size_t n = 0; n < std::size(cases); ++n) {
        SCOPED_TRACE(cases[n].script);
        const std::string out = work / (folder("out", n) + "take.wav");
        EXPECT_NE(log.find("Compression: " + (work / ("encode" + std::to_string(n) + ".sh")) + " " + cases[n].reason),
                  std::string::npos)
            << log;
        EXPECT_NE(log.find("Failed to compress audio file using compression " + std::to_string(1001 + n)),
                  std::string::npos);
        EXPECT_NE(log.find("Unable to compress audio file " + out + "."), std::string::npos);
        EXPECT_NE(log.find("Moving the file " + out + " as is instead of compressing it."), std::string::npos);
        EXPECT_TRUE(test::ReadWholeFile(out) == wav) << "not the file that came in";
        EXPECT_FALSE(fs::exists(work / (folder("out", n) + "take.mp3")));
        EXPECT_TRUE(fs::is_empty(work / folder("in", n)));
    }
}

TEST_F(AudioRelayRun, FilesThatOnlyLookLikeAudioGoOutUnchanged) {
    // Route 0 converts to PCM, route 1 to MP3.
    fs::create_directories(work / "in1");
    fs::create_directories(work / "out1");
    Settings("AudioFormat0=1\r\nIn1=" + work.Folder() + "in1/\r\nOut1=" + work.Folder() +
             "out1/\r\nProcessDatFiles1=No\r\nScanTwice1=No\r\nAudioFormat1=85\r\nAudioBitrate1=128000\r\n");
    ASSERT_EQ(test::RunTool({"ffmpeg", "-nostdin", "-v", "error", "-f", "lavfi", "-i", "sine=d=5", "-c:a", "aac", "-f",
                             "adts", scratch / "x.aac"})
                  .exitCode,
              0);
    ASSERT_EQ(test::RunTool({"ffmpeg", "-nostdin", "-v", "error", "-f", "lavfi", "-i", "sine=d=2", "-c:a", "libmp3lame",
                             "-q:a", "2", "-metadata", "title=Weather", scratch / "story.mp3"})
                  .exitCode,
              0);
    const struct {
        std::string name;
        std::string bytes;
        std::string folder;
    } cases[] = {
        {"s1.wav", "not audio\xFF\xFD\xA1\x8D", ""},
        {"s3.mp3", std::string("This is a story text.\n\xFF\xF3\x44\xC4 end\n", 31), ""},
        {"clip.mp3", test::ReadWholeFile(scratch / "x.aac"), "1"},
    };
    for (const auto& c : cases) Input(c.name, c.bytes, "in" + c.folder + "/");
    Input("story.mp3", test::ReadWholeFile(scratch / "story.mp3"));
    const std::string log = Run();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string out = work / ("out" + c.folder + "/" + c.name);
        EXPECT_NE(log.find("Unable to compress audio file " + out + "."), std::string::npos) << log;
        EXPECT_NE(log.find("Moving the file " + out + " as is instead of compressing it."), std::string::npos);
        EXPECT_TRUE(test::ReadWholeFile(out) == c.bytes) << "not the bytes that came in";
    }
    // Real MPEG audio on the same route still converts.
    const std::string story = work / "out/story.wav";
    ASSERT_TRUE(fs::exists(story)) << log;
    EXPECT_EQ(test::Probe(story)["codec_name"], "pcm_s16le");
    EXPECT_NEAR(std::stod(test::Probe(story)["duration"]), 2.0, 0.1);
    EXPECT_TRUE(fs::is_empty(work / "in"));
    EXPECT_TRUE(fs::is_empty(work / "in1"));
}

TEST_F(AudioRelayRun, WithoutTheCodecModuleFilesGoOutUnchanged) {
    // Route 0 converts to MP3 through the compressor, route 1 to WMA.
    fs::create_directories(work / "in1");
    fs::create_directories(work / "out1");
    test::WriteWholeFile(work / "Pressvane/news64.prx", News64Profile());
    Settings("AudioFormat0=85\r\nAudioBitrate0=128000\r\nIn1=" + work.Folder() + "in1/\r\nOut1=" + work.Folder() +
             "out1/\r\nProcessDatFiles1=No\r\nScanTwice1=No\r\nAudioFormat1=1\r\nLockSampleOnDecode1=Yes\r\n"
             "LockSampleRate1=8000\r\nWMAProfileName1=" + work.Folder() + "Pressvane/news64.prx\r\n");
    const std::string mp3Source = test::PcmWav(2, 44100, 16, 44100 * 4);
    const std::string wmaSource = test::PcmWav(1, 22050, 16, 22050 * 2);
    Input("budget.wav", mp3Source);
    Input("bulletin.wav", wmaSource, "in1/");
    const std::string module = work / "no such folder/libpressvane-codecs.so";
    const std::string log = Run({"PRESSVANE_CODEC_MODULE=" + module});
    const std::string reason = "Can't load the audio codecs: cannot load " + module + ": " + module +
                               ": cannot open shared object file: No such file or directory";
    EXPECT_NE(log.find("Compress: " + reason), std::string::npos) << log;
    EXPECT_NE(log.find(reason), log.rfind(reason)) << "the WMA route says so too";
    for (const std::string name : {"out/budget.wav", "out1/bulletin.wav"}) {
        EXPECT_NE(log.find("Moving the file " + (work / name) + " as is instead of compressing it."),
                  std::string::npos) << name;
    }
    EXPECT_EQ(test::ReadWholeFile(work / "out/budget.wav"), mp3Source);
    EXPECT_EQ(test::ReadWholeFile(work / "out1/bulletin.wav"), wmaSource);
}

TEST_F(AudioRelayRun, LongCartNamesKeepTheTitleAsWritten) {
    Settings("AudioFormat0=85\r\nAudioBitrate0=128000\r\n[Cart chunk]\r\nconvert-cart-to-chunk=Yes\r\n"
             "TargetName-from-CART=LONG\r\n");
    Input("budget.wav",
          test::PcmWav(2, 44100, 16, 44100 * 4, Chunk("cart", Cart("CUT123", " Budget, part 2: a/b? "))));
    const std::string log = Run();
    const std::string out = work / "out/Budget_ part 2_ a_b_.mp3";
    ASSERT_TRUE(fs::exists(out)) << log;
    EXPECT_EQ(test::Probe(out)["codec_name"], "mp3");
    EXPECT_NE(log.find("Changing Output filename from " + (work / "out/budget.mp3") + " to " + out + "."),
              std::string::npos)
        << log;
    EXPECT_EQ(std::distance(fs::directory_iterator(work / "out"), fs::directory_iterator()), 1);
}

TEST_F(AudioRelayRun, ProgramsTheSystemCannotExecuteAreNoBatchOrExecutable) {
    // Route n runs program 1001+n.
    const struct {
        std::string what;
        std::string script;
        fs::perms permissions;
    } cases[] = {
        {"no interpreter line", "cp \"$1\" \"$2\"\n", fs::perms::owner_all},
        {"no execute permission", "#!/bin/sh\ncp \"$1\" \"$2\"\n", fs::perms::owner_read | fs::perms::owner_write},
    };
    const std::string wav = test::PcmWav(1, 8000, 16, 16000);
    std::string routes, programs;
    for (size_t n = 0; n < std::size(cases); ++n) {
        const std::string format = std::to_string(1001 + n), script = work / ("encode" + std::to_string(n) + ".sh");
        test::WriteWholeFile(script, cases[n].script);
        fs::permissions(script, cases[n].permissions);
        const std::string key = "AudioFormat" + std::to_string(n) + "=" + format + "\r\n";
        routes += n == 0 ? key : Route(static_cast<int>(n), key);
        programs += format + " Exe=" + script + "\r\n" + format + " Ext=.mp3\r\n";
        Input("take.wav", wav, n == 0 ? "in/" : "in" + std::to_string(n) + "/");
    }
    Settings(routes + "[Audio Formats]\r\n" + programs);
    const std::string log = Run();
    for (size_t n = 0; n < std::size(cases); ++n) {
        SCOPED_TRACE(cases[n].what);
        const std::string script = work / ("encode" + std::to_string(n) + ".sh");
        EXPECT_NE(log.find("Compression: File is not a batch or executable: " + script + "\n"), std::string::npos)
            << log;
        EXPECT_NE(log.find("Failed to compress audio file using compression " + std::to_string(1001 + n)),
                  std::string::npos);
        EXPECT_EQ(test::ReadWholeFile(work / ((n == 0 ? "out/" : "out" + std::to_string(n) + "/") + "take.wav")), wav);
    }
    EXPECT_EQ(log.find("Unknown Internal failure"), std::string::npos);
    // The time limit of such programs is a setting, written back like every other.
    EXPECT_NE(test::ReadWholeFile(work / "Pressvane/Pressvane.ini").find("Compression Time Limit Seconds=600\r\n"),
              std::string::npos);
}

TEST_F(AudioRelayRun, AHungProgramIsStoppedAtTheTimeLimitOfTheSettings) {
    const std::string script = work / "hang.sh";
    test::WriteWholeFile(script, "#!/bin/sh\nsleep 30\n");
    fs::permissions(script, fs::perms::owner_all);
    Settings("AudioFormat0=1001\r\n[Audio Formats]\r\n1001 Exe=" + script + "\r\n1001 Ext=.mp3\r\n",
             "Compression Time Limit Seconds=1\r\n");
    const std::string wav = test::PcmWav(1, 8000, 16, 16000);
    Input("clip.wav", wav);
    const std::string log = Run();
    EXPECT_NE(log.find("Compression: " + script + " did not end within its time limit of 1 second and was stopped."),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("Moving the file " + (work / "out/clip.wav") + " as is instead of compressing it."),
              std::string::npos);
    EXPECT_EQ(test::ReadWholeFile(work / "out/clip.wav"), wav);
    EXPECT_NE(test::ReadWholeFile(work / "Pressvane/Pressvane.ini").find("Compression Time Limit Seconds=1\r\n"),
              std::string::npos);
}

TEST_F(AudioRelayRun, ACutShortPcmWavGoesOutUnchangedWhereTheFormatIsTheSame) {
    // Route 0 takes PCM as it is; route 1 asks for another sample rate, so
    // its copy goes to the compressor, which finds it cut short.
    Settings("AudioFormat0=1\r\n" +
             Route(1, "AudioFormat1=1\r\nLockSampleOnDecode1=Yes\r\nLockSampleRate1=22050\r\n"));
    const std::string whole = test::PcmWav(1, 8000, 16, 16000);
    const std::string cut = whole.substr(0, whole.size() - 12000);
    Input("whole.wav", whole);
    Input("cut.wav", cut);
    Input("cut.wav", cut, "in1/");
    const std::string log = Run();
    EXPECT_EQ(test::ReadWholeFile(work / "out/whole.wav"), whole);
    EXPECT_EQ(test::ReadWholeFile(work / "out/cut.wav"), cut);
    for (const std::string name : {"out/whole.wav", "out/cut.wav"})
        EXPECT_EQ(log.find("Unable to compress audio file " + (work / name)), std::string::npos) << log;
    EXPECT_NE(log.find("Compress: Source file too small to hold source data. Source file " + (work / "in1/cut.wav")),
              std::string::npos)
        << log;
    EXPECT_EQ(test::ReadWholeFile(work / "out1/cut.wav"), cut);
}

TEST_F(AudioRelayRun, AWmaProfileTheEncoderCannotServeSaysWhichValues) {
    const std::string profile = work / "Pressvane/surround.prx";
    test::WriteWholeFile(profile, WmaProfile(354, 6, 48000, 384000));
    Settings("AudioFormat0=1\r\nLockSampleOnDecode0=Yes\r\nLockSampleRate0=8000\r\nWMAProfileName0=" + profile +
             "\r\n");
    const std::string wav = test::PcmWav(6, 48000, 16, 48000 * 12);
    Input("surround.wav", wav);
    const std::string log = Run();
    EXPECT_NE(log.find("Profile " + profile +
                       " asks for what the WMA encoder does not support: format tag 354 (WMA Pro), 6 channels."),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("Moving the file " + (work / "out/surround.wav") + " as is instead of compressing it."),
              std::string::npos);
    EXPECT_EQ(test::ReadWholeFile(work / "out/surround.wav"), wav);
}

}  // namespace
}  // namespace pv
