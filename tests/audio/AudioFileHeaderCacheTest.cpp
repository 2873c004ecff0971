#include <gtest/gtest.h>

#include "support/AudioTestSupport.h"
#include "audio/AudioFileHeaderCache.h"
#include "platform/FileSystem.h"
#include "support/FakeClock.h"
#include "support/TempDir.h"

namespace pv {
namespace {

std::string Tagged(const std::string& description) {
    return test::PcmWav(1, 8000, 8, 4, {},
                        test::Chunk("LIST", "INFO" + test::Chunk("ICMT", "QMTGDESC:" + description + "\r\n")));
}

TEST(AudioFileHeaderCache, KeepsHeadersWhileFreshAndRereadsStaleOnes) {
    test::TempDir dir;
    test::FakeClock clock;
    CAudioFileHeaderCache cache(clock);
    const std::string path = dir / "Ident.wav";
    test::WriteWholeFile(path, Tagged("one"));

    CAudioFileHeader* first = cache.GetHeader(path, 1000);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->Tag(tagDescription), "one");
    test::WriteWholeFile(path, Tagged("two"));
    clock.Advance(std::chrono::milliseconds(1000));

    std::string otherCase = path;
    otherCase.replace(otherCase.size() - 9, 5, "IDENT");
    EXPECT_EQ(cache.GetHeader(otherCase, 1000), first);
    EXPECT_EQ(first->Tag(tagDescription), "one");
    EXPECT_EQ(cache.Size(), 1u);

    clock.Advance(std::chrono::milliseconds(1));
    EXPECT_EQ(cache.GetHeader(path, 1000), first);
    EXPECT_EQ(first->Tag(tagDescription), "two");
    EXPECT_EQ(first->m_nReadTimeMs, first->m_nLastUseMs);
}

TEST(AudioFileHeaderCache, DropsHeadersThatCannotBeRead) {
    test::TempDir dir;
    test::FakeClock clock;
    CAudioFileHeaderCache cache(clock);
    EXPECT_EQ(cache.GetHeader(dir / "absent.wav", 1000), nullptr);
    EXPECT_EQ(cache.Size(), 0u);

    const std::string path = dir / "a.wav";
    test::WriteWholeFile(path, Tagged("x"));
    ASSERT_NE(cache.GetHeader(path, 0), nullptr);
    ASSERT_TRUE(platform::RemoveFile(path));
    EXPECT_NE(cache.GetHeader(path, 10), nullptr);  // still fresh
    clock.Advance(std::chrono::milliseconds(11));
    EXPECT_EQ(cache.GetHeader(path, 10), nullptr);
    EXPECT_EQ(cache.Size(), 0u);
}

}  // namespace
}  // namespace pv
