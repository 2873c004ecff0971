// What an alias's options make of an attached audio file: the extension the
// output is named with before anything is converted, and whether the file
// is converted at all.
#include <gtest/gtest.h>

#include "publish/AttachmentAudio.h"
#include "support/AudioTestSupport.h"
#include "support/TempDir.h"

namespace pv {
namespace {

CAudioFileHeader HeaderOf(const test::TempDir& dir, const std::string& bytes) {
    test::WriteWholeFile(dir / "cut.wav", bytes);
    CAudioFileHeader header;
    EXPECT_TRUE(header.ReadHeader(dir / "cut.wav"));
    return header;
}

TEST(AttachmentAudio, ExpectedExtensions) {
    test::TempDir dir;
    AudioConverterSettings settings;
    settings.settingsFile = dir / "Pressvane.ini";
    test::WriteWholeFile(settings.settingsFile, "[Audio Formats]\r\n1002 Ext=.ogg\r\n");
    const struct {
        const char* what;
        int format, bitrate, ratio;
        const char* profile;
        const char* prepend;
        const char* expected;
    } cases[] = {
        {"no conversion keeps the name, profile or not", 0, 128000, 0, "news.prx", "Ident", ""},
        {"a profile gives WMA", 1, 0, 0, "news.prx", "", ".wma"},
        {"MPEG Layer 3 with a bit rate", 85, 128000, 0, "", "", ".mp3"},
        {"MPEG Layer 2 with a ratio", 80, 0, 4, "", "", ".mp2"},
        {"MPEG Layer 3 with a clip in front", 85, 0, 0, "", "Ident", ".mp3"},
        {"MPEG Layer 3 alone keeps the name until converted", 85, 0, 0, "", "", ""},
        {"PCM with a bit rate", 1, 128000, 0, "", "", ""},
        {"a program's own extension", 1002, 0, 0, "", "", ".ogg"},
        {"a program's default suffix is no extension", 1001, 0, 0, "", "", ""},
        {"a program with a clip in front", 1002, 0, 0, "", "Ident", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        AttachmentAudioPlan plan;
        plan.target = {c.format, c.bitrate, c.ratio, c.profile, false, 22050};
        plan.prependName = c.prepend;
        EXPECT_EQ(ExpectedExtension(plan, settings), c.expected);
    }
    // Both keys of the program are written back as read, with one default each.
    const std::string written = test::ReadWholeFile(settings.settingsFile);
    EXPECT_NE(written.find("1001 Ext=mp3"), std::string::npos) << written;
    EXPECT_NE(written.find("1001 Exe=echo"), std::string::npos) << written;
}

TEST(AttachmentAudio, WhatIsConverted) {
    test::TempDir dir;
    const CAudioFileHeader pcm44 = HeaderOf(dir, test::PcmWav(2, 44100, 16, 400));
    const struct {
        const char* what;
        int format;
        const char* profile;
        bool lock;
        int lockedRate;
        bool converted;
    } cases[] = {
        {"format 0 converts nothing", 0, "", false, 0, false},
        {"format 0 with a profile converts nothing", 0, "news.prx", false, 0, false},
        {"a profile encodes PCM, never just renames it", 1, "news.prx", false, 0, true},
        {"the same format is copied", 1, "", false, 0, false},
        {"the same format at the locked rate is copied", 1, "", true, 44100, false},
        {"the same format at another rate is resampled", 1, "", true, 22050, true},
        {"another format is converted", 85, "", false, 0, true},
        {"a program always runs", 1001, "", false, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(NeedsConversion({c.format, 0, 0, c.profile, c.lock, c.lockedRate}, pcm44), c.converted);
    }
}

TEST(AttachmentAudio, NamesAndExtensions) {
    EXPECT_TRUE(IsAttachedAudioName("W:\\Audio\\Cut.WAV"));
    EXPECT_TRUE(IsAttachedAudioName("cut.mp2"));
    EXPECT_FALSE(IsAttachedAudioName("cut.mp4"));
    EXPECT_FALSE(IsAttachedAudioName("W:\\a.wav\\cut"));
    EXPECT_EQ(ExtensionOf("/tmp/ZZQMTemp7.mp3"), ".mp3");
    EXPECT_EQ(ExtensionOf("/tmp.d/ZZQMTemp7mp3"), "");
    EXPECT_EQ(WithExtension("00041_cut.wav", ".mp3"), "00041_cut.mp3");
    EXPECT_EQ(WithExtension("cut", ".wma"), "cut.wma");
    EXPECT_EQ(WithExtension("cut.wav", ""), "cut.wav");
}

}  // namespace
}  // namespace pv
