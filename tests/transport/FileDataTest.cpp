#include <gtest/gtest.h>

#include "transport/FileData.h"

namespace pv {
namespace {

void ExpectOptionDefaults(const CFileData& data) {
    EXPECT_EQ(data.options.textTemplateName, "TextTemplate");
    EXPECT_EQ(data.options.linkTemplateName, "TextLinkTemplate");
    EXPECT_EQ(data.options.extensionlessTemplateExt, ".htm");
    EXPECT_EQ(data.options.outputFilename, "");
    EXPECT_FALSE(data.options.replaceFile);
    EXPECT_EQ(data.options.orderedEntry, 0);
    EXPECT_TRUE(data.templateState.expansionEnabled);
    EXPECT_FALSE(data.templateState.outputSuppressed);
    EXPECT_TRUE(data.templateState.conditionStack.empty());
}

void FillEverything(CFileData& data) {
    data.options.textTemplateName = "Other";
    data.options.linkTemplateName = "OtherLink";
    data.options.extensionlessTemplateExt = ".txt";
    data.options.outputFilename = "out.htm";
    data.options.replaceFile = true;
    data.options.orderedEntry = 4;
    data.templateState.expansionEnabled = false;
    data.templateState.outputSuppressed = true;
    data.templateState.conditionStack.push_back(true);
    data.fileOptions.minFileSize = 5;
    data.fileOptions.overwriteAttachmentFiles = true;
    data.work.alias = "News";
    data.work.aliases = {"News", "Sport"};
    data.work.slug = "slug";
    data.work.numbers = {1, 2};
}

TEST(FileData, StartsWithTheDefaults) {
    const CFileData data;
    ExpectOptionDefaults(data);
    EXPECT_EQ(data.fileOptions.minFileSize, 100);
}

TEST(FileData, OptionResetKeepsFileValuesAndPerFileOptions) {
    CFileData data;
    FillEverything(data);
    data.ResetOptions();
    ExpectOptionDefaults(data);
    EXPECT_EQ(data.fileOptions.minFileSize, 5);
    EXPECT_TRUE(data.fileOptions.overwriteAttachmentFiles);
    EXPECT_EQ(data.work.alias, "News");
    EXPECT_EQ(data.work.aliases.size(), 2u);
}

TEST(FileData, FullResetClearsEverything) {
    CFileData data;
    FillEverything(data);
    data.Reset();
    ExpectOptionDefaults(data);
    EXPECT_EQ(data.fileOptions.minFileSize, 100);
    EXPECT_FALSE(data.fileOptions.overwriteAttachmentFiles);
    EXPECT_EQ(data.work.alias, "");
    EXPECT_TRUE(data.work.aliases.empty());
    EXPECT_EQ(data.work.slug, "");
    EXPECT_TRUE(data.work.numbers.empty());
}

}  // namespace
}  // namespace pv
