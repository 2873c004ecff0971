#include <gtest/gtest.h>

#include "transport/Credentials.h"

namespace pv {
namespace {

TEST(Credentials, CredentialPartIsTakenOutOfThePath) {
    const struct {
        const char* path;
        bool ok;
        const char* rest;
        const char* user;
        const char* password;
    } cases[] = {
        {"ftp://host/in/", true, "ftp://host/in/", "", ""},
        {"ftp://host/in|ed|pw|/file.txt", true, "ftp://host/in/file.txt", "ed", "pw"},
        {"ftp://host/in/|ed|pw|/file.txt", true, "ftp://host/in/file.txt", "ed", "pw"},
        {"ftp://host/in/|ed|pw|file.txt", true, "ftp://host/in/file.txt", "ed", "pw"},
        {"C:\\in\\|ed|pw|", true, "C:/in/", "ed", "pw"},
        {"ftp://host/in|ed|pw", false, "", "", ""},
        {"ftp://host/in|ed", false, "", "", ""},
    };
    for (const auto& c : cases) {
        std::string path = c.path, user, password, error;
        EXPECT_EQ(TakeCredentials(path, user, password, &error), c.ok) << c.path;
        if (!c.ok) {
            EXPECT_EQ(error.find("Improperly formatted path: "), 0u) << c.path;
            EXPECT_EQ(error.find("pw"), std::string::npos) << c.path;
            continue;
        }
        EXPECT_EQ(path, c.rest) << c.path;
        EXPECT_EQ(user, c.user) << c.path;
        EXPECT_EQ(password, c.password) << c.path;
    }
}

TEST(Credentials, DisplayCopyNeverShowsAPassword) {
    EXPECT_EQ(WithoutCredentials("ftp://h/in|ed|secret|/"), "ftp://h/in/");
    EXPECT_EQ(WithoutCredentials("ftp://h/in|ed|secret"), "ftp://h/in");
    // Only two "|": where the password ends cannot be told, so nothing after
    // the first "|" is shown; a file is shown in its folder by name.
    EXPECT_EQ(WithoutCredentials("ftp://h:2121/in|ed|se/cret"), "ftp://h:2121/in");
    EXPECT_EQ(FileForDisplay("ftp://h:2121/in|ed|se/cret/", "a.txt"), "ftp://h:2121/in/a.txt");
    EXPECT_EQ(FileForDisplay("ftp://h/in/|ed|secret|", "a.txt"), "ftp://h/in/a.txt");
    EXPECT_EQ(FileForDisplay("C:\\News\\In\\", "a.txt"), "C:\\News\\In\\a.txt");
    EXPECT_EQ(FolderForDisplay("ftp://h:2121/in|ed|secret/"), "ftp://h:2121/in");
    EXPECT_EQ(FolderForDisplay("ftp://h:2121/in|ed|secret"), "ftp://h:2121/in");
    EXPECT_EQ(FolderForDisplay("ftp://h/in|ed|secret|/"), "ftp://h/in");
}

}  // namespace
}  // namespace pv
