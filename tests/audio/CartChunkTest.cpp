#include <gtest/gtest.h>

#include "support/AudioTestSupport.h"
#include "audio/CartChunk.h"

using namespace std::string_literals;

namespace pv::audio {
namespace {

using test::LE32;

void Put(std::string& cart, size_t offset, const std::string& text) { cart.replace(offset, text.size(), text); }

std::string SampleCart() {
    std::string cart(2048, '\0');
    Put(cart, 0, "0101");
    Put(cart, 4, "Council vote");
    Put(cart, 68, "Jane Doe");
    Put(cart, 132, "CUT123");
    Put(cart, 260, "NEWS");
    Put(cart, 388, "this is Jane Doe");
    Put(cart, 452, "2019-05-08");
    Put(cart, 462, "06:30:00");
    Put(cart, 470, "05/09/2019");
    Put(cart, 480, "18:00:00");
    Put(cart, 488, "Playout");
    Put(cart, 680, LE32(static_cast<uint32_t>(-20)));
    Put(cart, 684, "INT1" + LE32(88200));
    Put(cart, 692, "SEC1" + LE32(12345));
    Put(cart, 1024, "http://example.org/a");
    cart += "tag text\0\0\0more"s;
    return cart;
}

TEST(CartChunk, ReadsFieldsUpToWidthOrNul) {
    std::string bytes = SampleCart();
    Put(bytes, 196, std::string(64, 'C'));  // ClientID fills its width; Category follows
    const CartChunk cart(bytes);
    EXPECT_EQ(cart.Text(cartVersion), "0101");
    EXPECT_EQ(cart.Text(cartTitle), "Council vote");
    EXPECT_EQ(cart.Text(cartClientId), std::string(64, 'C'));
    EXPECT_EQ(cart.Text(cartCategory), "NEWS");
    EXPECT_EQ(cart.Text(cartStartDate), "2019-05-08");
    EXPECT_EQ(cart.Text(cartEndTime), "18:00:00");
    EXPECT_EQ(cart.LevelReference(), -20);
    EXPECT_EQ(cart.PostTimer(0).usage, "INT1");
    EXPECT_EQ(cart.PostTimer(0).value, 88200u);
    EXPECT_EQ(cart.PostTimer(1).value, 12345u);
    EXPECT_EQ(cart.PostTimer(7).value, 0u);
    EXPECT_EQ(cart.Text(cartUrl), "http://example.org/a");
    EXPECT_EQ(cart.TagText(), "tag text");
}

TEST(CartChunk, AShortChunkReadsAsZeroPadded) {
    for (const std::string& bytes : {"0101Title!"s, ""s, "01"s, std::string(700, 'x')}) {
        const CartChunk cart(bytes);
        EXPECT_EQ(cart.Text(cartVersion), bytes.substr(0, 4));
        EXPECT_EQ(cart.Text(cartTitle), bytes.size() > 4 ? bytes.substr(4, 64) : "");
        EXPECT_EQ(cart.PostTimer(7).value, 0u);
        EXPECT_EQ(cart.Text(cartUrl), "");
        EXPECT_EQ(cart.TagText(), "");
        EXPECT_FALSE(cart.Dump().empty());
        EXPECT_EQ(cart.EntireText().empty(), bytes.empty());
    }
}

TEST(CartChunk, DumpListsEveryFieldInOrder) {
    const std::string dump = CartChunk(SampleCart()).Dump();
    const std::string expectedStart =
        "Version: 0101\nTitle: Council vote\nArtist: Jane Doe\nCutID: CUT123\nClientID: \nCategory: NEWS\n"
        "Classification: \nOutCue: this is Jane Doe\nStartDate: 05/08/2019\nStartTime: 06:30:00\n"
        "StopDate: 05/09/2019\nStopTime: 18:00:00\nProducerAppID: Playout\nProducerAppVersion: \nUserDef: \n"
        "LevelReference: -20\nPostTimer[0].Usage: INT1\nPostTimer[0].Value: 88200\n"
        "PostTimer[1].Usage: SEC1\nPostTimer[1].Value: 12345\nPostTimer[2].Usage: \nPostTimer[2].Value: 0\n";
    EXPECT_EQ(dump.substr(0, expectedStart.size()), expectedStart);
    const std::string expectedEnd = "PostTimer[7].Value: 0\nReserved: \nURL: http://example.org/a\nTagText: tag text\n";
    ASSERT_GE(dump.size(), expectedEnd.size());
    EXPECT_EQ(dump.substr(dump.size() - expectedEnd.size()), expectedEnd);
    EXPECT_EQ(dump.find('\0'), std::string::npos);
}

TEST(CartChunk, EntireTextTurnsNulRunsIntoOneLineBreak) {
    EXPECT_EQ(CartChunk("ab\0\0\0cd\0e\0"s).EntireText(), "ab\r\ncd\r\ne\r\n");
    EXPECT_EQ(CartChunk("\0\0x"s).EntireText(), "\r\nx");
}

TEST(CartDate, IsRearrangedToMonthDayYear) {
    const struct {
        std::string in, out;
    } cases[] = {
        {"2019-05-08", "05/08/2019"}, {"05/08/2019", "05/08/2019"}, {"05-08-2019", "05/08/2019"},
        {"2019/05/08", "05/08/2019"}, {"", ""},                      {"2019-5-8", "2019-5-8"},
    };
    for (const auto& c : cases) EXPECT_EQ(RearrangeCartDate(c.in), c.out) << c.in;
}

TEST(ProgramAssociatedData, ReadsKnownPropertiesAndSkipsOthers) {
    const std::string text =
        "0101\r\n<program-associated-data>"
        "<property name=\"Title\" value=\"Morning news\"/>"
        "<property name=\"Unknown\" value=\"x\"/>"
        "<property name=\"Artist\" value=\"Desk\"/>"
        "<property name=\"title\" value=\"wrong case\"/>"
        "<property name=\"Genre\" value=\"bad\" />"
        "<property name=\"Comment\" value=\"\"/>"
        "<property name=\"CommentTitle\" value=\"Note\"/>"
        "</program-associated-data><property name=\"Album\" value=\"outside\"/>";
    const CartProperties p = ParseProgramAssociatedData(text);
    EXPECT_EQ(p[2], "Morning news");
    EXPECT_EQ(p[3], "Desk");
    EXPECT_EQ(p[4], "");  // Album outside the block
    EXPECT_EQ(p[5], "");  // Genre not written exactly
    EXPECT_EQ(p[6], "Note");
    EXPECT_EQ(p[7], "");
}

TEST(ProgramAssociatedData, NeedsABlockNotAtTheVeryStart) {
    const std::string block = "<program-associated-data><property name=\"Title\" value=\"T\"/></program-associated-data>";
    EXPECT_EQ(ParseProgramAssociatedData(block)[2], "");
    EXPECT_EQ(ParseProgramAssociatedData("x" + block)[2], "T");
    EXPECT_EQ(ParseProgramAssociatedData("x<program-associated-data><property name=\"Title\" value=\"T\"/>")[2], "");
    EXPECT_EQ(ParseProgramAssociatedData("no block")[2], "");
}

}  // namespace
}  // namespace pv::audio
