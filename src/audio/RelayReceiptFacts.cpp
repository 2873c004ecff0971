#include "audio/RelayReceiptFacts.h"

#include "audio/AudioFileHeader.h"
#include "transport/Credentials.h"
#include "transport/FileNames.h"
#include "transport/FtpFile.h"
#include "transport/FtpPath.h"

namespace pv {

namespace {

constexpr const char* kTagLabels[] = {
    "Description: ", "OutCue: ",    "LastPlayed: ", "TimesPlayed: ", "SavedBy: ",   "Category: ", "Status: ",
    "Artist: ",      "StartDate: ", "StopDate: ",   "IntroTime: ",   "OutroTime: ", "IntroFade: ", "OutroFade: ",
    "CDat: ",        "MDat: ",      "DayParts: ",   "ISCII: ",       "Tag1: "};
constexpr const char* kCartLabels[] = {
    "Cart Version: ",   "Cart Title: ",     "Cart Artist: ",         "Cart CutID: ",
    "Cart ClientID: ",  "Cart Category: ",  "Cart Classification: ", "Cart OutCue: ",
    "Cart StartDate: ", "Cart StartTime: ", "Cart StopDate: ",       "Cart StopTime: ",
    "Cart ProducerAppID: ", "Cart ProducerAppVersion: ", "Cart UserDef: "};

void AddOutputTags(const std::string& outputPath, RelayReceipt& receipt) {
    CAudioFileHeader output;
    if (IsFtpUrl(NormalisePath(outputPath)) || !output.ReadHeader(WithoutCredentials(outputPath))) return;
    for (int tag = 0; tag < 19; ++tag)
        receipt.outputTags.emplace_back(kTagLabels[tag], output.Tag(static_cast<AudioTag>(tag)));
}

void AddInputCart(const std::string& sourcePath, RelayReceipt& receipt) {
    CAudioFileHeader input;
    if (!input.ReadHeader(sourcePath) || !input.HasCart()) return;
    receipt.hasInputCart = true;
    for (int field = 0; field <= audio::cartUserDef; ++field)
        receipt.inputCart.emplace_back(kCartLabels[field], input.Cart().Text(static_cast<audio::CartField>(field)));
    receipt.inputCart.emplace_back("Cart URL: ", input.Cart().Text(audio::cartUrl));
    receipt.inputCart.emplace_back("Cart szTagText: ", input.Cart().TagText());
    for (int p = 0; p < audio::kCartPropertyCount; ++p)
        receipt.inputCart.emplace_back("Cart Property " + std::string(audio::kCartPropertyNames[p]) + ": ",
                                       input.CartProperties()[p] + (p + 1 == audio::kCartPropertyCount ? "\n" : ""));
    receipt.entireCartChunk = input.EntireCartChunk();
}

}  // namespace

RelayReceipt GatherRelayReceipt(FileAccess& files, const std::string& outputPath, const std::string& sourcePath) {
    RelayReceipt receipt;
    SplitFolderAndName(WithoutCredentials(outputPath), nullptr, &receipt.outputFileName);
    CFTPFile sizer(files);
    receipt.outputSize = sizer.GetFileSize(outputPath);
    AddOutputTags(outputPath, receipt);
    AddInputCart(sourcePath, receipt);
    return receipt;
}

}  // namespace pv
