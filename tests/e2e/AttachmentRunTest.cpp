// End-to-end runs of the built service publishing a story with an attached
// cut: the alias puts the next clip of a rotation list in front of it and
// converts the whole to MP3 (or to WMA through a profile), and the page links
// the one file that comes out.  The file is checked with ffprobe and its
// tags, the page in a real browser.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "audio/AudioFileHeader.h"
#include "rotation/PlayName.h"
#include "support/AudioTestSupport.h"
#include "support/Browser.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"

namespace pv {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using test::Chunk;

constexpr int kRate = 22050;
constexpr double kClipSeconds = 1.0, kSilenceSeconds = 0.5, kCutSeconds = 3.0;
constexpr int64_t kJoinedSamples = static_cast<int64_t>((kClipSeconds + kSilenceSeconds + kCutSeconds) * kRate);
// An MPEG-2 Layer 3 frame at 22.05 kHz holds 576 samples; the encoder puts
// 1105 samples (its own 576 and the decoder's 529) in front of the audio.
constexpr int64_t kMp3FrameSamples = 576;
constexpr int64_t kMp3EncoderDelay = 1105;

// The audio frames (packets) ffprobe reads in a file.
int64_t PacketCount(const std::string& path) {
    const auto probe = test::RunTool({"ffprobe", "-v", "error", "-count_packets", "-show_entries",
                                      "stream=nb_read_packets", "-of", "default=nw=1:nk=1", path});
    return std::strtoll(probe.output.c_str(), nullptr, 10);
}

std::string Tags(const std::string& description) {
    return Chunk("LIST", "INFO" + Chunk("ICMT", "QMTGBEGN\r\nQMTGDESC:" + description + "\r\nQMTGENDL\r\n"));
}

// 22.05 kHz mono 16-bit PCM of the given length.
std::string Pcm(double seconds, const std::string& description) {
    return test::PcmWav(1, kRate, 16, static_cast<size_t>(seconds * kRate) * 2, {}, Tags(description));
}

const std::string kTextTemplate =
    "<html><head><meta charset=\"windows-1252\"><title><!--Quillmark Slug --></title></head>\r\n"
    "<body>\r\n"
    "<p><a id=\"cut\" href=\"<!--Quillmark FirstLine1Filename -->\">Listen</a></p>\r\n"
    "<p id=\"cutTags\"><!--Quillmark AF Description --></p>\r\n"
    "<p id=\"clipTags\"><!--Quillmark Prepended AF Description --></p>\r\n"
    "<script>for (const e of document.querySelectorAll('[href]')) e.setAttribute('data-target', e.href);</script>\r\n"
    "</body></html>\r\n";

class AttachmentRun : public ::testing::Test {
protected:
    std::string Folder(const std::string& name) {
        fs::create_directories(work.Path() / name);
        return work.Folder() + name + "/";
    }
    // Route 0 publishes the story texts of in/ under alias News, linking
    // WAV, MP3 and WMA files on link line 1; every linked file travels.
    void Settings() {
        test::WriteWholeFile(work / "Pressvane/Pressvane.ini",
                             "[Pressvane]\r\nLog=Yes\r\nDelay=1\r\nDefaultPlayPath=" + play +
                                 "\r\nTransfer All Links=Yes\r\nCopyExtensions=WAV,MP3,WMA\r\n"
                                 "[FTP]\r\nSeconds Delay Between FTP Commands=0\r\n"
                                 "[ONHOLD]\r\nWarn-via-PINWELL=No\r\n[MoveFiles]\r\nIn0=" +
                                 in + "\r\nOut0=\r\nProcessDatFiles0=No\r\nProcessTxtFiles0=Yes\r\nAliases0=News\r\n"
                                      "ScanTwice0=No\r\nLinkExtsForLine1_0=wav,mp3,wma\r\n");
    }
    void Alias(const std::string& options) {
        test::WriteWholeFile(work / "Pressvane/DBFolder.dat",
                             "News;output_filename=" + storage + "News.htm;template_directory=" + templates +
                                 ";audio_to_prepend=Idents;audio_prepend_silence=500;" + options + "\r\n");
    }
    // The cut, the rotation of clips (the ident is its next entry) and the
    // story that links the cut.
    void Material() {
        test::WriteWholeFile(templates + "TextTemplate.htm", kTextTemplate);
        test::WriteWholeFile(audio + "cut.wav", Pcm(kCutSeconds, "Council vote cut"));
        test::WriteWholeFile(play + "sting.wav", Pcm(2.0, "Sting"));
        test::WriteWholeFile(play + "ident.wav", Pcm(kClipSeconds, "Station ident"));
        test::WriteWholeFile(play + "Idents.rpl", "[sting]\r\n" + std::string(rotation::kPlayNextMarker) +
                                                      "\r\n[ident]\r\n[sting]\r\n");
        test::WriteWholeFile(in + "vote.txt", "TQ32_SCRIPT1\r\nFILESLUG:Council vote\r\nFILEWRIT:Ann Reporter\r\n"
                                              "The council voted.\r\n[" + audio + "cut.wav]\r\n");
        fs::last_write_time(in + "vote.txt", fs::file_time_type::clock::now() - 1min);
    }
    int Run() {
        std::vector<std::string> argv{PRESSVANE_BIN, "/PATH=" + work.Folder(), "Once", "EasyExit", "/M"};
        test::ChildProcess child(argv, scratch / "out.txt",
                                 {"TEMP=" + temp.Path().string(), "PRESSVANE_RUNTIME_DIR=" + scratch.Path().string()});
        return child.Wait(180s);
    }
    std::string Output() const { return test::ReadWholeFile(scratch / "out.txt"); }
    // The files the storage folder holds but pages and the counter.
    std::set<std::string> Published() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(storage)) {
            const std::string name = entry.path().filename().string();
            if (!name.ends_with(".htm") && name != "ID.dat") names.insert(name);
        }
        return names;
    }
    // The page the story became.
    std::string Page() const {
        for (const auto& entry : fs::directory_iterator(storage))
            if (entry.path().extension() == ".htm") return entry.path().string();
        return {};
    }
    // The one published file the page links, as the browser resolves the link.
    std::string LinkedFile() {
        const std::string pagePath = Page();
        const std::string page = test::ReadWholeFile(pagePath);
        const std::set<std::string> published = Published();
        EXPECT_EQ(published.size(), 1u) << Output() << ::testing::PrintToString(published);
        if (published.size() != 1) return {};
        const std::string name = *published.begin();
        EXPECT_NE(page.find("href=\"" + name + "\""), std::string::npos) << page;
        EXPECT_NE(page.find("<p id=\"cutTags\">Council vote cut</p>"), std::string::npos) << page;
        EXPECT_NE(page.find("<p id=\"clipTags\">Station ident</p>"), std::string::npos) << page;
        const test::RenderedPage rendered = test::RenderInChromium(pagePath);
        if (rendered.Absent()) {
            ADD_FAILURE() << "chromium is not installed";
        } else {
            EXPECT_TRUE(rendered.Rendered()) << rendered.details;
            EXPECT_NE(rendered.dom.find("data-target=\"" + test::FileUrl(storage + name) + "\""), std::string::npos)
                << rendered.dom;
        }
        return storage + name;
    }
    // ffprobe's duration of the file: clip, silence and cut, to within a frame.
    void ExpectLength(const std::string& file, double frame) {
        const double expected = kClipSeconds + kSilenceSeconds + kCutSeconds;
        const double duration = std::strtod(test::Probe(file)["duration"].c_str(), nullptr);
        EXPECT_LE(std::fabs(duration - expected), frame) << "ffprobe says " << duration << " s";
        RecordProperty("duration_seconds", std::to_string(duration));
    }
    // MPEG audio in a WAV file: ffprobe takes no duration from its "fact"
    // chunk (it estimates one from the byte rate, tag chunk included), so the
    // length is what the stream's frames hold: after the encoder's delay,
    // clip, silence and cut fill all frames but the last, and the "fact"
    // chunk counts exactly their samples.
    void ExpectMpegLength(const std::string& file) {
        const int64_t frames = PacketCount(file);
        const int64_t spare = frames * kMp3FrameSamples - kMp3EncoderDelay - kJoinedSamples;
        EXPECT_GE(spare, 0) << frames << " frames";
        EXPECT_LT(spare, kMp3FrameSamples) << frames << " frames";
        RecordProperty("mpeg_frames", std::to_string(frames));
        const std::string bytes = test::ReadWholeFile(file);
        const size_t fact = test::FindTopChunk(bytes, "fact");
        ASSERT_NE(fact, std::string::npos);
        uint32_t samples = 0;
        for (int i = 3; i >= 0; --i) samples = samples << 8 | static_cast<unsigned char>(bytes[fact + 8 + i]);
        EXPECT_EQ(samples, kJoinedSamples);
    }
    void ExpectNothingLeft() {
        EXPECT_TRUE(fs::exists(audio + "cut.wav")) << "the original stays";
        EXPECT_FALSE(fs::exists(in + "vote.txt")) << Output();
        for (const auto& entry : fs::recursive_directory_iterator(temp.Path()))
            EXPECT_FALSE(entry.is_regular_file()) << "left behind: " << entry.path();
        // The rotation moved on: the ident's marker now stands behind it.
        EXPECT_EQ(test::ReadWholeFile(play + "Idents.rpl"),
                  "[sting]\r\n[ident]\r\n" + std::string(rotation::kPlayNextMarker) + "\r\n[sting]\r\n");
    }

    test::TempDir work, scratch, temp;
    const std::string pressvane = Folder("Pressvane");
    const std::string in = Folder("in");
    const std::string storage = Folder("site");
    const std::string templates = Folder("templates");
    const std::string audio = Folder("audio");
    const std::string play = Folder("Play");
};

TEST_F(AttachmentRun, ClipSilenceAndCutBecomeOneMp3WithTheCutsTags) {
    Settings();
    Alias("audio_format=85;audio_bitrate=64000");
    Material();
    ASSERT_EQ(Run(), 0) << Output();
    const std::string mp3 = LinkedFile();
    ASSERT_FALSE(mp3.empty());
    EXPECT_TRUE(mp3.ends_with(".mp3")) << mp3;
    auto probe = test::Probe(mp3);
    EXPECT_EQ(probe["codec_name"], "mp3");
    EXPECT_EQ(probe["sample_rate"], std::to_string(kRate));
    EXPECT_EQ(test::DecodeErrors(mp3), "");
    ExpectMpegLength(mp3);
    CAudioFileHeader tags;
    ASSERT_TRUE(tags.ReadHeader(mp3));
    EXPECT_EQ(tags.Tag(tagDescription), "Council vote cut");
    EXPECT_EQ(test::ReadWholeFile(mp3).find("Station ident"), std::string::npos);
    ExpectNothingLeft();
}

TEST_F(AttachmentRun, WithAWmaProfileTheOneFileIsWindowsMediaAudio) {
    Settings();
    test::WriteWholeFile(pressvane + "news64.prx", test::WmaProfileBytes(353, 1, kRate, 64000));
    // The cut's own format, so only the profile asks for a conversion.
    Alias("audio_format=1;wma_profile_filename=" + pressvane + "news64.prx");
    Material();
    ASSERT_EQ(Run(), 0) << Output();
    const std::string wma = LinkedFile();
    ASSERT_FALSE(wma.empty());
    EXPECT_TRUE(wma.ends_with(".wma")) << wma;
    auto probe = test::Probe(wma);
    EXPECT_EQ(probe["format_name"], "asf");
    EXPECT_EQ(probe["codec_name"], "wmav2");
    EXPECT_EQ(test::DecodeErrors(wma), "");
    // A WMA frame at 22.05 kHz holds 2048 samples.
    ExpectLength(wma, 2048.0 / kRate);
    ExpectNothingLeft();
}

}  // namespace
}  // namespace pv
