// Play rotation on real files: names resolved by type order, lists that
// advance one playable entry per call behind their marker, rotation files
// turned into lists once, and lists that name themselves.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "platform/HostEnvironment.h"
#include "rotation/ListFiles.h"
#include "rotation/PlayName.h"
#include "rotation/PlayRotationEngine.h"
#include "support/AudioTestSupport.h"
#include "support/RecordingReporter.h"
#include "support/TempDir.h"

namespace pv {
namespace {

namespace fs = std::filesystem;
const std::string kMarker = rotation::kPlayNextMarker;

std::string Wav() { return test::PcmWav(1, 8000, 16, 64); }

// A rotation file: the header, one 9-byte record per name, then the tail.
std::string RotationFile(const std::vector<std::string>& names, const std::string& tail = {}) {
    std::string bytes(rotation::kRotationHeaderBytes, 'h');
    for (std::string name : names) {
        name.resize(rotation::kRotationRecordBytes, '\0');
        bytes += name;
    }
    return bytes + tail;
}

// The play folder is W:\Audio (no trailing separator, as the default is),
// with drive W mapped onto a fresh folder.
class PlayRotationTest : public ::testing::Test {
protected:
    PlayRotationTest()
        : m_environment(platform::PathMapSettings{{{'W', m_root.Path().string()}}, m_root.Path().string()}),
          m_installed(m_environment) {
        fs::create_directories(m_root.Path() / "Audio");
    }

    std::string HostPath(const std::string& name) const { return m_root / ("Audio/" + name); }
    void Write(const std::string& name, const std::string& bytes) { test::WriteWholeFile(HostPath(name), bytes); }
    std::string Read(const std::string& name) const { return test::ReadWholeFile(HostPath(name)); }

    // The name (without folder) of the file the next resolution gives;
    // "" when it gives none.
    std::string Next(const std::string& playName, bool* resolved = nullptr) {
        PlayChoice choice;
        const bool result = m_engine.ResolvePlayName(m_engine.PlayFolder(), playName, choice);
        if (resolved) *resolved = result;
        if (!choice.Usable()) return "";
        const size_t cut = choice.path.find_last_of("\\/");
        return choice.path.substr(cut + 1);
    }
    std::vector<std::string> NextTimes(const std::string& playName, int times) {
        std::vector<std::string> got;
        for (int i = 0; i < times; ++i) got.push_back(Next(playName));
        return got;
    }

    test::TempDir m_root;
    platform::HostEnvironment m_environment;
    platform::ScopedHostEnvironment m_installed;
    test::RecordingReporter m_reporter;
    CAudioFileHeaderCache m_headers;
    CPlayRotationEngine m_engine{m_headers, "W:\\Audio", m_reporter};
};

TEST_F(PlayRotationTest, RotationCases) {
    const struct Case {
        const char* what;
        std::map<std::string, std::string> files;
        const char* playName;
        std::vector<std::string> given;                   // one per call
        std::pair<std::string, std::string> listAfter;   // file, bytes ("" file: not checked)
    } cases[] = {
        {"entries in turn, round and round",
         {{"Promos.rpl", "[a]\r\n[b]\r\n[c]\r\n"}, {"a.wav", Wav()}, {"b.wav", Wav()}, {"c.wav", Wav()}},
         "Promos",
         {"a.wav", "b.wav", "c.wav", "a.wav"},
         {"Promos.rpl", "[a]\r\n" + kMarker + "\r\n[b]\r\n[c]\r\n"}},
        {"a rotation file of 768 + 3 x 9 + 4 bytes gives three entries",
         {{"Spots.rot", RotationFile({"a", "b", "c"}, "tail")}, {"a.wav", Wav()}, {"b.wav", Wav()}, {"c.wav", Wav()}},
         "Spots",
         {"a.wav", "b.wav", "c.wav", "a.wav"},
         {"Spots.rpl", "[a]\r\n" + kMarker + "\r\n[b]\r\n[c]\r\n"}},
        {"a record of nine characters without a zero byte",
         {{"Long.rot", RotationFile({"abcdefghi"})}, {"abcdefghi.wav", Wav()}},
         "Long.rot",
         {"abcdefghi.wav"},
         {"Long.rpl", "[abcdefghi]\r\n" + kMarker + "\r\n"}},
        {"two markers become one; the first counts",
         {{"Two.rpl", "[a]\r\n" + kMarker + "\r\n[b]\r\n" + kMarker + "\r\n[c]\r\n"},
          {"a.wav", Wav()}, {"b.wav", Wav()}, {"c.wav", Wav()}},
         "Two.rpl",
         {"b.wav"},
         {"Two.rpl", "[a]\r\n[b]\r\n" + kMarker + "\r\n[c]\r\n"}},
        {"a marker on the last line goes on with the first entry",
         {{"Last.rpl", "[a]\r\n[b]\r\n" + kMarker}, {"a.wav", Wav()}, {"b.wav", Wav()}},
         "Last",
         {"a.wav"},
         {"Last.rpl", "[a]\r\n" + kMarker + "\r\n[b]\r\n"}},
        {"nothing playable leaves the list unchanged",
         {{"Gone.rpl", "; spots\n[x]\n[y]\n" + kMarker + "\n"}},
         "Gone",
         {"", ""},
         {"Gone.rpl", "; spots\n[x]\n[y]\n" + kMarker + "\n"}},
        {"missing entries are passed over, the marker goes behind the one given",
         {{"Gaps.rpl", "[x]\r\n[b]\r\n[y]\r\n"}, {"b.wav", Wav()}},
         "Gaps",
         {"b.wav", "b.wav"},
         {"Gaps.rpl", "[x]\r\n[b]\r\n" + kMarker + "\r\n[y]\r\n"}},
        {"comments stay and every line ends in CR LF; entries are trimmed",
         {{"Mixed.txt", "; morning\n\n  [ a ]  spot one\nnote ] [\n[\tb\t]\n"}, {"a.wav", Wav()}, {"b.wav", Wav()}},
         "Mixed",
         {"a.wav", "b.wav"},
         {"Mixed.txt", "; morning\r\n\r\n  [ a ]  spot one\r\nnote ] [\r\n[\tb\t]\r\n" + kMarker + "\r\n"}},
        {"a list that names itself is passed over",
         {{"Loop.rpl", "[Loop]\r\n[a]\r\n"}, {"a.wav", Wav()}},
         "Loop",
         {"a.wav", "a.wav"},
         {"Loop.rpl", "[Loop]\r\n[a]\r\n" + kMarker + "\r\n"}},
        {"lists that name each other end",
         {{"Ping.rpl", "[Pong]\r\n"}, {"Pong.rpl", "[Ping]\r\n"}},
         "Ping",
         {"", ""},
         {"Ping.rpl", "[Pong]\r\n"}},
        {"an entry naming a list advances that list",
         {{"Outer.rpl", "[Inner]\r\n[c]\r\n"}, {"Inner.rpl", "[a]\r\n[b]\r\n"},
          {"a.wav", Wav()}, {"b.wav", Wav()}, {"c.wav", Wav()}},
         "Outer",
         {"a.wav", "c.wav", "b.wav"},
         {"Inner.rpl", "[a]\r\n[b]\r\n" + kMarker + "\r\n"}},
        {"a list comes before a WAV file of the same name",
         {{"Top.rpl", "[b]\r\n"}, {"Top.wav", Wav()}, {"b.wav", Wav()}},
         "Top",
         {"b.wav"},
         {"", ""}},
        {"MPEG audio must be wrapped in WAV to be found",
         {{"Raw.rpl", "[raw.mp3]\r\n[wrapped.mp3]\r\n"}, {"raw.mp3", std::string(400, '\xff')},
          {"wrapped.mp3", Wav()}},
         "Raw",
         {"wrapped.mp3"},
         {"", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(m_root.Path() / "Audio");
        fs::create_directories(m_root.Path() / "Audio");
        m_reporter.Clear();
        for (const auto& [name, bytes] : c.files) Write(name, bytes);
        EXPECT_EQ(NextTimes(c.playName, static_cast<int>(c.given.size())), c.given);
        if (!c.listAfter.first.empty()) {
            EXPECT_EQ(Read(c.listAfter.first), c.listAfter.second);
        }
        for (const auto& entry : fs::directory_iterator(m_root.Path() / "Audio"))
            EXPECT_EQ(entry.path().string().find("$$QM"), std::string::npos) << "left behind: " << entry.path();
    }
}

TEST_F(PlayRotationTest, SelfReferenceIsSaidOnTheStatusLine) {
    Write("Loop.rpl", "[Loop]\r\n[Echo]\r\n");
    Write("Echo.rpl", "[Loop]\r\n");
    bool resolved = false;
    EXPECT_EQ(Next("Loop", &resolved), "");
    EXPECT_TRUE(resolved) << "an existing list resolves, to no file";
    const std::string said = m_reporter.AllText();
    EXPECT_NE(said.find("Loop.rpl names itself"), std::string::npos) << said;
}

TEST_F(PlayRotationTest, TypeAndExtensionRules) {
    Write("cut.wav", Wav());
    Write("cut.rpl", "[other]\r\n");
    Write("other.wav", Wav());
    bool resolved = false;
    EXPECT_EQ(Next("cut.WAV", &resolved), "cut.WAV") << "a name with an extension is only that type";
    EXPECT_TRUE(resolved);
    EXPECT_EQ(Next("cut.ogg", &resolved), "");
    EXPECT_FALSE(resolved) << "an extension outside the play types resolves to nothing";
    EXPECT_EQ(Next("", &resolved), "");
    EXPECT_FALSE(resolved);
    EXPECT_EQ(Next("absent", &resolved), "");
    EXPECT_FALSE(resolved);
}

TEST_F(PlayRotationTest, RotationFileIsReadOnceWhileItsListExists) {
    Write("a.wav", Wav());
    Write("b.wav", Wav());
    Write("Spots.rot", RotationFile({"a"}));
    EXPECT_EQ(Next("Spots"), "a.wav");
    Write("Spots.rot", RotationFile({"b"}));
    EXPECT_EQ(Next("Spots"), "a.wav") << "the list made before is what rotates";
    fs::remove(HostPath("Spots.rpl"));
    EXPECT_EQ(Next("Spots"), "b.wav") << "without its list the rotation file is read again";
    fs::remove(HostPath("Spots.rot"));
    EXPECT_EQ(Next("Spots.rot"), "") << "a list without its rotation file is not used as one";
}

// Absolute entries, whatever their form, are not put behind the play folder.
TEST_F(PlayRotationTest, AbsoluteEntriesStandOnTheirOwn) {
    fs::create_directories(m_root.Path() / "srv/share/Elsewhere");
    test::WriteWholeFile(m_root / "srv/share/Elsewhere/share.wav", Wav());
    test::WriteWholeFile(m_root / "Elsewhere.wav", Wav());
    Write("host.wav", Wav());
    Write("Mix.rpl", "[W:\\Elsewhere.wav]\r\n[\\\\srv\\share\\Elsewhere\\share.wav]\r\n[" + HostPath("host.wav") + "]\r\n");
    EXPECT_EQ(NextTimes("Mix", 3), (std::vector<std::string>{"Elsewhere.wav", "share.wav", "host.wav"}));
}

// A play folder on a share (no drive letter) finds its files.
TEST_F(PlayRotationTest, PlayFolderOnAShare) {
    fs::create_directories(m_root.Path() / "srv/play");
    test::WriteWholeFile(m_root / "srv/play/a.wav", Wav());
    test::WriteWholeFile(m_root / "srv/play/List.rpl", "[a]\r\n");
    CPlayRotationEngine engine(m_headers, "\\\\srv\\play", m_reporter);
    PlayChoice choice;
    EXPECT_TRUE(engine.ResolvePlayName(engine.PlayFolder(), "List", choice));
    EXPECT_TRUE(choice.Usable());
    EXPECT_EQ(choice.path, "\\\\srv\\play\\a.wav");
    EXPECT_TRUE(engine.PlayNextFromList("List.rpl", choice));
    EXPECT_TRUE(engine.CheckAudioFile("a.wav", choice));
}

TEST_F(PlayRotationTest, AListThatCannotBeRewrittenStaysAndSaysSo) {
    Write("a.wav", Wav());
    Write("b.wav", Wav());
    Write("Held.rpl", "[a]\r\n[b]\r\n");
    // The temporary name is taken by a folder: the list cannot be rewritten.
    fs::create_directories(m_root.Path() / "Audio/Held_$$QM.rpl");
    EXPECT_EQ(NextTimes("Held", 2), (std::vector<std::string>{"a.wav", "a.wav"}));
    EXPECT_EQ(Read("Held.rpl"), "[a]\r\n[b]\r\n");
    EXPECT_NE(m_reporter.AllText().find("Unable to advance rotation list W:\\Audio\\Held.rpl"), std::string::npos)
        << m_reporter.AllText();
}

TEST(PlayNameTest, EntriesAndPaths) {
    EXPECT_EQ(rotation::ListEntry("[ a b ]"), "a b");
    EXPECT_EQ(rotation::ListEntry("x [a] y [b] z"), "a] y [b");
    EXPECT_EQ(rotation::ListEntry("] a ["), std::nullopt);
    EXPECT_EQ(rotation::ListEntry("[]"), "");
    EXPECT_EQ(rotation::ListEntry(kMarker), std::nullopt);
    EXPECT_EQ(rotation::TemporaryListPath("C:\\Play\\Promos.txt"), "C:\\Play\\Promos_$$QM.rpl");
    for (const char* absolute : {"C:\\a", "/srv/a", "\\\\srv\\a", "ftp://h/a"})
        EXPECT_TRUE(rotation::IsAbsolutePlayPath(absolute)) << absolute;
    for (const char* relative : {"a", "Audio\\a", "a/b"})
        EXPECT_FALSE(rotation::IsAbsolutePlayPath(relative)) << relative;
    EXPECT_EQ(rotation::PlaceInFolder("W:\\Audio", "a"), "W:\\Audio\\a");
    EXPECT_EQ(rotation::PlaceInFolder("/srv/play", "a"), "/srv/play/a");
    EXPECT_EQ(rotation::PlaceInFolder("W:\\Audio", "/srv/a"), "/srv/a");
    char record[9] = {'a', '\n', 'b', 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(rotation::RotationRecordName(record), "a");
}

}  // namespace
}  // namespace pv
