#include <gtest/gtest.h>

#include "transport/Location.h"

namespace pv {
namespace {

struct ParseCase {
    const char* written;
    LocationKind kind;
    const char* display;
    const char* user;
    const char* password;
    const char* problem;  // empty: none
};

// Every form a path may be written in: credentials right after the folder
// name or after its trailing "/", with a "/" on both sides (one is dropped),
// "\" forms, drive, share and host paths, and what must be refused.
const ParseCase kParseCases[] = {
    {"C:\\News\\In\\", LocationKind::drive, "C:\\News\\In\\", "", "", ""},
    {"\\\\srv\\news\\in\\", LocationKind::share, "\\\\srv\\news\\in\\", "", "", ""},
    {"/srv/newsroom/in/", LocationKind::hostAbsolute, "/srv/newsroom/in/", "", "", ""},
    {"in/", LocationKind::relative, "in/", "", "", ""},
    {"ftp://h/out/", LocationKind::ftp, "ftp://h/out/", "", "", ""},
    {"ftp://h/out/|editor|s3cret|", LocationKind::ftp, "ftp://h/out/", "editor", "s3cret", ""},
    {"ftp://h/out|editor|s3cret|/", LocationKind::ftp, "ftp://h/out/", "editor", "s3cret", ""},
    {"ftp://h/out|editor|s3cret|", LocationKind::ftp, "ftp://h/out", "editor", "s3cret", ""},
    {"ftp://h/out/|editor|s3cret|/a.txt", LocationKind::ftp, "ftp://h/out/a.txt", "editor", "s3cret", ""},
    {"ftp://h/out|editor|s3cret|/a.txt", LocationKind::ftp, "ftp://h/out/a.txt", "editor", "s3cret", ""},
    {"ftp://h/out/|editor|s3cret|a.txt", LocationKind::ftp, "ftp://h/out/a.txt", "editor", "s3cret", ""},
    {"ftp:\\\\h\\out\\|editor|s3cret|a.txt", LocationKind::ftp, "ftp://h/out/a.txt", "editor", "s3cret", ""},
    {"ftp://h:2121/out/|editor|p/w:x@y|", LocationKind::ftp, "ftp://h:2121/out/", "editor", "p/w:x@y", ""},
    {"ftp://h/out/||s3cret|", LocationKind::ftp, "ftp://h/out/", "", "s3cret", ""},
    {"C:\\News|editor|s3cret|\\In\\", LocationKind::drive, "C:/News/In/", "editor", "s3cret", ""},
    {"ftp://h/out/|editor|s3cret", LocationKind::ftp, "ftp://h/out/", "", "",
     "Improperly formatted path: ftp://h/out/ Should be PATH|ID|PASSWORD|."},
    {"ftp://h/out/|s3cret", LocationKind::ftp, "ftp://h/out/", "", "",
     "Improperly formatted path: ftp://h/out/ Should be PATH|ID|PASSWORD|."},
    {"ftp://h/a\r\nDELE x", LocationKind::ftp, "ftp://h/a\r\nDELE x", "", "", "path contains a control character"},
    {"ftp://h/out/../etc/", LocationKind::ftp, "ftp://h/out/../etc/", "", "",
     "path climbs out of its folder with \"..\""},
    {"C:\\News\\..\\Secret\\", LocationKind::drive, "C:\\News\\..\\Secret\\", "", "",
     "path climbs out of its folder with \"..\""},
    {"ftp://h/..a/", LocationKind::ftp, "ftp://h/..a/", "", "", ""},
};

TEST(LocationParse, EveryWrittenFormGivesItsPartsAndNeverShowsThePassword) {
    for (const ParseCase& c : kParseCases) {
        SCOPED_TRACE(c.written);
        const Location location = Location::Parse(c.written);
        EXPECT_EQ(location.Kind(), c.kind);
        EXPECT_EQ(location.Written(), c.written);
        EXPECT_EQ(location.Display(), c.display);
        EXPECT_EQ(location.User(), c.user);
        EXPECT_EQ(location.Password(), c.password);
        EXPECT_EQ(location.Problem().message(), c.problem);
        EXPECT_EQ(location.Display().find("s3cret"), std::string::npos);
        // What the file operations are handed reads back as the same location.
        if (location.Problem().ok() && location.HasCredentials()) {
            const Location again = Location::Parse(location.WithCredentials());
            EXPECT_EQ(again.Display(), location.Display());
            EXPECT_EQ(again.User(), location.User());
            EXPECT_EQ(again.Password(), location.Password());
        }
    }
}

TEST(LocationParse, FtpUrlsAreSplitIntoServerPortAndPath) {
    const Location plain = Location::Parse("ftp://news.example/out/a.txt");
    EXPECT_EQ(plain.Server(), "news.example");
    EXPECT_EQ(plain.Port(), 21);
    EXPECT_EQ(plain.Object(), "/out/a.txt");
    const Location ported = Location::Parse("ftp://127.0.0.1:2121/|u|p|");
    EXPECT_EQ(ported.Server(), "127.0.0.1");
    EXPECT_EQ(ported.Port(), 2121);
    EXPECT_EQ(ported.Object(), "/");
    EXPECT_EQ(Location::Parse("ftp://h:99999/x").Server(), "");  // no such port
    EXPECT_EQ(Location::Parse("ftp://h\\in\\a.txt").Path(), "ftp://h/in/a.txt");
    EXPECT_EQ(Location::Parse("ftp://h\\in\\a.txt").Display(), "ftp://h\\in\\a.txt");  // shown as written
}

TEST(LocationJoin, NamesAndFoldersKeepTheCredentials) {
    struct Case {
        const char* folder;
        const char* name;
        const char* display;
        const char* handed;  // what the file operations get
    };
    const Case cases[] = {
        {"ftp://h/out/|u|p|", "a.txt", "ftp://h/out/a.txt", "ftp://h/out/|u|p|a.txt"},
        {"ftp://h/out|u|p|", "a.txt", "ftp://h/out/a.txt", "ftp://h/out/|u|p|a.txt"},
        {"ftp://h/out|u|p|/", "a b.txt", "ftp://h/out/a b.txt", "ftp://h/out/|u|p|a b.txt"},
        {"C:\\News\\In", "a.txt", "C:\\News\\In\\a.txt", "C:\\News\\In\\a.txt"},
        {"/srv/in/", "a.txt", "/srv/in/a.txt", "/srv/in/a.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        const Location file = Location::Parse(c.folder).Join(c.name);
        EXPECT_TRUE(file.Problem().ok());
        EXPECT_EQ(file.Display(), c.display);
        EXPECT_EQ(file.WithCredentials(), c.handed);
        EXPECT_EQ(file.Name(), c.name);
        const Location folder = file.Folder();
        EXPECT_EQ(folder.User(), Location::Parse(c.folder).User());
        EXPECT_EQ(folder.Password(), Location::Parse(c.folder).Password());
        EXPECT_TRUE(folder.IsFolder());
        EXPECT_EQ(folder.Join(c.name), file);
        EXPECT_EQ(Location::Parse(file.WithCredentials()).Display(), c.display);
    }
    const Location prefix = Location::Parse("ftp://h/out/|u|p|").Subfolder("ABC");
    EXPECT_EQ(prefix.WithCredentials(), "ftp://h/out/ABC/|u|p|");
    EXPECT_EQ(Location::Parse("C:\\Out\\").Subfolder("ABC").Display(), "C:\\Out\\ABC\\");
}

TEST(LocationJoin, UnsafeNamesAreRefused) {
    const Location folder = Location::Parse("ftp://h/out/|u|p|");
    for (const char* name : {"", ".", "..", "../x", "a/b", "a\\b", "a|b", "a\nb"}) {
        SCOPED_TRACE(name);
        const Location file = folder.Join(name);
        EXPECT_FALSE(file.Problem().ok());
        EXPECT_EQ(file.Problem().code(), Status::Code::invalidArgument);
        EXPECT_EQ(file.Display().find("|p|"), std::string::npos);
    }
    // A folder with a problem passes it on.
    EXPECT_FALSE(Location::Parse("ftp://h/out/|u|p").Join("a.txt").Problem().ok());
}

}  // namespace
}  // namespace pv
