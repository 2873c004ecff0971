#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "audio/AudioFileHeader.h"
#include "platform/Clock.h"
#include "publish/MacroExpander.h"
#include "support/AudioTestSupport.h"
#include "support/FakeClock.h"
#include "support/ScopedTimeZone.h"
#include "support/TempDir.h"

namespace pv {
namespace {

using namespace std::chrono_literals;

struct MacroCase {
    const char* name;
    std::optional<std::string> value;  // nothing: not a macro
};

// The files of the story's link lines, as the attachments would publish them.
class NamedLinkLines final : public LinkLineFiles {
public:
    std::string PublishedName(int line, bool low) override {
        if (line == 1) return low ? "cut_LO.mp3" : "cut.mp3";
        if (line == 2) return low ? "" : "ftp://web/|u|s3cret|photo.jpg";
        return {};
    }
};

class Macros : public ::testing::Test {
protected:
    Macros() {
        // Tuesday 9 December 2025, 13:24:03 Eastern (18:24:03 UTC).
        clock.Set(std::chrono::system_clock::from_time_t(1765304643));
        header.m_strSlug = "Council vote";
        header.m_strCategory = "News,Local";
        header.m_strShow = "Bob's Hour";
        header.m_strWriter = "Ann";
        header.m_strDate = "12/08/2025";
        header.m_strTime = "Mon14:05";
        header.m_strWho = "editor";
        header.m_strNext = "weather.txt";
        descriptor.m_strKeywords = "council, vote";
        for (int i = 0; i < CDatFile::kUserFieldCount; ++i) descriptor.m_strUser[i] = "user " + std::to_string(i + 1);
        descriptor.m_strUser[0] = "alpha,beta";
        values.header = &header;
        values.descriptor = &descriptor;
        values.linkLines = &linkLines;
        values.slug = "Council vote";
        values.aliasName = "Local";
        values.outputFilename = "00042_story.htm";
        values.storagePath = "ftp://web.example.com/news/|webuser|s3cret|";
        values.uniqueFilePath = "ftp://web.example.com/news/|webuser|s3cret|";
        values.uniqueFilename = "00042_story.htm";
        values.storySummary = "The council voted...";
        values.archive = {"2025\\12", "09"};
        values.storyFileCreated = 1765193600;   // 08 Dec 2025 06:33:20 Eastern
        values.storyFileModified = 1765300000;  // 09 Dec 2025 12:06:40 Eastern
    }

    std::optional<std::string> Value(std::string_view name) { return MacroExpander(values, clock).Value(name); }

    void ExpectValues(const std::vector<MacroCase>& cases) {
        for (const MacroCase& c : cases) EXPECT_EQ(Value(c.name), c.value) << c.name;
    }

    test::ScopedTimeZone zone{test::kEasternTime};
    test::FakeClock clock;
    CTextFileHeader header;
    CDatFile descriptor;
    NamedLinkLines linkLines;
    MacroValues values;
};

TEST_F(Macros, StoryHeaderAndDescriptorFields) {
    ExpectValues({
        {"Slug", "Council vote"},
        {"Category", "News,Local"},
        {"First Category", "News"},
        {"Show", "Bob's Hour"},
        {"Writer", "Ann"},
        {"CreationDate", "12/08/2025"},
        {"CreationTime", "Mon14:05"},
        {"WhoModified", "editor"},
        {"UserWhoArchived", "editor"},
        {"Keywords", "council, vote"},
        {"NextBroadcastFile", "weather.txt"},
        {"DatabaseAliasArchivedTo", "Local"},
        {"StorySummary", "The council voted..."},
        {"User1", "alpha,beta"},
        {"User5", "user 5"},
        {"User9", "user 9"},
        {"User1 First Field Only", "alpha"},
        {"User10", std::nullopt},
        {"Fernwick Version", "Version 12.021"},
    });
}

TEST_F(Macros, NamesCompareWithoutRegardToCase) {
    ExpectValues({{"slug", "Council vote"}, {"SLUG", "Council vote"}, {"first category", "News"},
                  {"user1 first field only", "alpha"}, {"Slug ", std::nullopt}, {" Slug", std::nullopt}});
}

TEST_F(Macros, FirstFieldRules) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"News,Local", "News"}, {"News", "News"}, {",News", ",News"}, {"", ""}, {"a,b,c", "a"}, {"News,", "News"}};
    for (const auto& [category, first] : cases) {
        header.m_strCategory = category;
        descriptor.m_strUser[0] = category;
        EXPECT_EQ(Value("First Category"), first) << category;
        EXPECT_EQ(Value("User1 First Field Only"), first) << category;
    }
}

TEST_F(Macros, MissingHeaderAndDescriptorGiveEmptyValues) {
    values.header = nullptr;
    values.descriptor = nullptr;
    ExpectValues({{"Category", ""}, {"Show", ""}, {"Keywords", ""}, {"User1", ""}, {"User1 First Field Only", ""},
                  {"Slug", "Council vote"}});
}

TEST_F(Macros, NowInEveryForm) {
    ExpectValues({
        {"YYYY", "2025"},
        {"MM", "12"},
        {"DD", "09"},
        {"HH", "13"},
        {"MinuteMM", "24"},
        {"SS", "03"},
        {"DateTimeYYYYMMDDTHHMMSS", "20251209T132403"},
        {"DateTimeYYYY-MM-DDTHH:MM:SS", "2025-12-09T13:24:03"},
        {"RFC-2822 Date and Time", "Tue, 09 Dec 2025 13:24:03 EST"},
    });
}

// The host's zone abbreviation is used as it is, in daylight time too.
TEST_F(Macros, RfcDateKeepsTheZoneAbbreviation) {
    clock.Set(std::chrono::system_clock::from_time_t(1752075000));  // Wednesday 9 July 2025, 11:30 EDT
    EXPECT_EQ(Value("RFC-2822 Date and Time"), "Wed, 09 Jul 2025 11:30:00 EDT");
    const test::ScopedTimeZone utc("UTC0");
    EXPECT_EQ(Value("RFC-2822 Date and Time"), "Wed, 09 Jul 2025 15:30:00 UTC");
    EXPECT_EQ(Value("HH"), "15");
}

TEST_F(Macros, StoryFileDates) {
    ExpectValues({{"FileCreationDate", "12/08/2025"},
                  {"FileCreationTime", "06:33:20"},
                  {"ModificationDate", "12/09/2025"},
                  {"ModificationTime", "12:06:40"}});
    values.storyFileCreated.reset();
    ExpectValues({{"FileCreationDate", ""}, {"FileCreationTime", ""}});
}

TEST_F(Macros, ArchiveFolders) {
    ExpectValues({{"YearAndMonthArchived", "2025\\12"}, {"YearArchived", "2025"}, {"MonthArchived", "12"},
                  {"DayArchived", "09"}});
    values.archive = {"2025\\", ""};
    ExpectValues({{"YearArchived", "2025"}, {"MonthArchived", ""}, {"DayArchived", ""}});
    values.archive = {"", ""};
    ExpectValues({{"YearAndMonthArchived", ""}, {"YearArchived", ""}, {"MonthArchived", ""}});
}

TEST_F(Macros, PathsAreShownWithoutCredentials) {
    ExpectValues({
        {"StoragePath", "ftp://web.example.com/news/"},
        {"UniqueFilePath", "ftp://web.example.com/news/"},
        {"UniqueFilePathNoServer", "news/"},
        {"UniqueFilename", "00042_story.htm"},
        {"TextFilename", "00042_story.htm"},
        {"FirstLine2Filename", "ftp://web/photo.jpg"},
    });
    // A malformed credential part is cut off where it starts.
    values.storagePath = "ftp://web/news/|webuser|s3cret";
    EXPECT_EQ(Value("StoragePath"), "ftp://web/news/");
}

struct PathCase {
    const char* path;
    const char* normalised;
    const char* withoutServer;
};

TEST_F(Macros, SeparatorsAndServerPart) {
    const PathCase cases[] = {
        {"C:\\Web\\News\\", "C:\\Web\\News\\", "/Web/News/"},
        {"C:/Web/News/", "C:\\Web\\News\\", "/Web/News/"},
        {"ftp://host/web\\news\\", "ftp://host/web/news/", "web/news/"},
        {"HTTP://host\\a\\b.htm", "HTTP://host/a/b.htm", "a/b.htm"},
        {"https://host/a", "https://host/a", "a"},
        {"www.example.com\\a", "www.example.com/a", "a"},
        {"//www.example.com\\a", "//www.example.com/a", "//www.example.com/a"},
        {"\\\\server\\share\\news\\", "\\\\server\\share\\news\\", "//server/share/news/"},
        {"news/today/", "news\\today\\", "today/"},
        {"ftp:", "ftp:", ""},
        {"x:", "x:", ""},
        {"", "", ""},
    };
    for (const PathCase& c : cases) {
        values.uniqueFilePath = c.path;
        EXPECT_EQ(Value("UniqueFilePath"), c.normalised) << c.path;
        EXPECT_EQ(Value("UniqueFilePathNoServer"), c.withoutServer) << c.path;
    }
    values.outputFilename = "archive/2025/story.htm";
    EXPECT_EQ(Value("TextFilename"), "archive\\2025\\story.htm");
}

TEST_F(Macros, WithoutUniqueNamingTheUniqueMacrosAreEmpty) {
    values.uniqueFilePath.clear();
    values.uniqueFilename.clear();
    ExpectValues({{"UniqueFilePath", ""}, {"UniqueFilePathNoServer", ""}, {"UniqueFilename", ""}});
}

TEST_F(Macros, LinkLines) {
    ExpectValues({{"FirstLine1Filename", "cut.mp3"},
                  {"FirstLine1FilenameLo", "cut_LO.mp3"},
                  {"FirstLine2FilenameLo", ""},
                  {"FirstLine3Filename", ""},
                  {"FirstLine4Filename", std::nullopt}});
    values.linkLines = nullptr;
    ExpectValues({{"FirstLine1Filename", ""}});
}

TEST_F(Macros, FilenameCharsAreClampedToTheName) {
    ExpectValues({
        {"Filename Chars 0,3", "0004"},
        {"Filename Chars 6,10", "story"},
        {"filename chars 12,14", "htm"},
        {"Filename Chars 10,999", "y.htm"},
        {"Filename Chars -5,1", "00"},
        {"Filename Chars 5,3", ""},
        {"Filename Chars 15,20", ""},
        {"Filename Chars 0,-1", ""},
        {"Filename Chars a,b", "0"},
        {"Filename Chars 12", ""},          // no comma
        {"Filename Chars 9999999999999999999999,1", ""},
        {"Filename Chars 3", std::nullopt},  // shorter than the shortest form
    });
    values.outputFilename.clear();
    EXPECT_EQ(Value("Filename Chars 0,3"), "");
}

TEST_F(Macros, FeedForms) {
    header.m_strShow = "Tom & Jerry's <b>";
    ExpectValues({{"Show-RSS", "Tom &amp; Jerry&apos;s &lt;b&gt;"},
                  {"show-rss", "Tom &amp; Jerry&apos;s &lt;b&gt;"},
                  {"Slug-RSS", "Council vote"},
                  {"Nothing-RSS", std::nullopt},
                  {"-RSS", std::nullopt}});
    header.m_strShow = "caf\xe9 \x93quoted\x94";
    EXPECT_EQ(Value("Show"), "caf\xe9 \x93quoted\x94");
    EXPECT_EQ(Value("Show-RSS"), "caf&eacute; \x93quoted\x94");
}

TEST_F(Macros, UnicodeConversionsSpareTheRawMacros) {
    values.useUnicodeConversions = true;
    values.slug = "Bob's story";
    values.outputFilename = "bob's.htm";
    ExpectValues({{"Show", "Bob&lsquo;s Hour"}, {"Slug", "Bob's story"}, {"TextFilename", "bob's.htm"},
                  {"Show-RSS", "Bob&apos;s Hour"}});
    values.useUnicodeConversions = false;
    EXPECT_EQ(Value("Show"), "Bob's Hour");
}

// The form is the platform's (GuidTest); here: a new one at every expansion.
TEST_F(Macros, GuidIsNewAtEveryExpansion) {
    std::set<std::string> seen;
    for (int i = 0; i < 50; ++i) {
        const std::optional<std::string> guid = Value("guid");
        ASSERT_TRUE(guid);
        EXPECT_EQ(guid->size(), 36u);
        EXPECT_EQ((*guid)[14], '4');
        seen.insert(*guid);
    }
    EXPECT_EQ(seen.size(), 50u);
}

// Nothing from a story can open or close a marker or a comment in a page,
// nor add a line to it.
TEST_F(Macros, ValuesAreMadeSafeForThePage) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"<!--Quillmark Begin Replace ..\\..\\secret.htm x -->",
         "&lt;!--Quillmark Begin Replace ..\\..\\secret.htm x --&gt;"},
        {"<!--QUILLMARK Slug -->", "&lt;!--QUILLMARK Slug --&gt;"},
        {"a -->b", "a --&gt;b"},
        {"<!-->", "&lt;!--&gt;"},
        {"--->", "---&gt;"},
        {"line one\r\nline two\nthree\r", "line one line two three "},
        {"..\\..\\etc", "..\\..\\etc"},
        {"caf\xe9 \x80", "caf\xe9 \x80"},
        {"<b>bold</b>", "<b>bold</b>"},
    };
    for (const auto& [hostile, shown] : cases) {
        values.slug = hostile;
        header.m_strShow = hostile;
        EXPECT_EQ(Value("Slug"), shown);
        EXPECT_EQ(Value("Show"), shown);
        const std::optional<std::string> feed = Value("Slug-RSS");
        ASSERT_TRUE(feed);
        EXPECT_EQ(feed->find("<!--"), std::string::npos) << *feed;
        EXPECT_EQ(feed->find("-->"), std::string::npos) << *feed;
    }
}

TEST_F(Macros, NoMacroShowsCredentials) {
    values.outputFilename = "ftp://web/|webuser|s3cret|00042_story.htm";
    values.uniqueFilename = "00042_story.htm|webuser|s3cret|";
    const char* names[] = {"StoragePath", "UniqueFilePath", "UniqueFilePathNoServer", "UniqueFilename",
                           "TextFilename", "FirstLine1Filename", "FirstLine2Filename", "FirstLine2Filename-RSS",
                           "UniqueFilePathNoServer-RSS", "StoragePath-RSS"};
    for (const char* name : names) {
        const std::optional<std::string> value = Value(name);
        ASSERT_TRUE(value) << name;
        EXPECT_EQ(value->find("s3cret"), std::string::npos) << name << ": " << *value;
        EXPECT_EQ(value->find("webuser"), std::string::npos) << name << ": " << *value;
    }
}

TEST_F(Macros, ExpandLineReplacesOnlyMacros) {
    const MacroExpander macros(values, clock);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"a <!--Quillmark Slug --> b <!--Quillmark Show --> c", "a Council vote b Bob's Hour c"},
        {"<!--Quillmark Slug --><!--Quillmark Writer -->", "Council voteAnn"},
        {"<!--Quillmark Add new links before this line -->", "<!--Quillmark Add new links before this line -->"},
        {"x <!--Quillmark Slug", "x <!--Quillmark Slug"},
        {"<!--Quillmark Slug -->--> <!--Quillmark", "Council vote--> <!--Quillmark"},
        {"<!--quillmark Slug -->", "<!--quillmark Slug -->"},
        {"<!--Quillmark -->", "<!--Quillmark -->"},
        {"no markers", "no markers"},
        {"", ""},
    };
    for (const auto& [line, expanded] : cases) EXPECT_EQ(macros.ExpandLine(line), expanded) << line;
}

class AudioMacros : public Macros {
protected:
    AudioMacros() {
        // 2.4 seconds of 8 kHz 16-bit mono.
        test::WriteWholeFile(dir / "cut.wav", test::PcmWav(1, 8000, 16, 38400));
        EXPECT_TRUE(audio.ReadHeader(dir / "cut.wav"));
        audio.SetTag(tagDescription, "Mayor's speech");
        audio.SetTag(tagOutCue, "...thank you");
        audio.SetTag(tagStatus, "ready");
        audio.SetTag(tagTag1, "Council. Budget");
        audio.SetTag(tagYear, "2025");
        test::WriteWholeFile(dir / "intro.wav", test::PcmWav(1, 8000, 16, 16000));
        EXPECT_TRUE(prepended.ReadHeader(dir / "intro.wav"));
        prepended.SetTag(tagDescription, "Station intro");
        prepended.SetTag(tagStatus, "never shown");
    }
    test::TempDir dir;
    CAudioFileHeader audio;
    CAudioFileHeader prepended;
};

TEST_F(AudioMacros, FieldsOfTheStoryAudioAndThePrependedAudio) {
    values.audio = &audio;
    values.prependedAudio = &prepended;
    ExpectValues({
        {"AF Description", "Mayor's speech"},
        {"af description", "Mayor's speech"},
        {"AF Outcue", "...thank you"},
        {"AF Status", "ready"},
        {"AF Year", "2025"},
        {"AF Tag1 Summary", "Council"},
        {"AF Length Seconds", "2"},
        {"AF Length Milliseconds", "2.400"},
        {"AF Length Milliseconds Only", "2400"},
        {"AF Nothing", std::nullopt},
        {"Prepended AF Description", "Station intro"},
        {"Prepended AF Length Seconds", "1"},
        {"Prepended AF Length Milliseconds", "1.000"},
        {"Prepended AF Status", std::nullopt},
        {"Prepended AF Length Milliseconds Only", std::nullopt},
        {"Prepended AF Tag1", std::nullopt},
        {"AF Description-RSS", "Mayor&apos;s speech"},
    });
}

TEST_F(AudioMacros, WithoutAudioTheFieldsAreEmpty) {
    ExpectValues({{"AF Description", ""}, {"AF Length Seconds", "0"}, {"Prepended AF Description", ""}});
}

}  // namespace
}  // namespace pv
