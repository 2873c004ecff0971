// WAV files: the input is a file read by the audio header reader (RIFF walk,
// "fmt ", "data", LIST/INFO/ICMT tag block, cart chunk); a file it reads gets
// its tags written back and must read back with them.  The bytes also go straight
// into the cart chunk and tag block readers.
#include "FuzzSupport.h"
#include "audio/AudioFileHeader.h"
#include "audio/CartChunk.h"
#include "audio/TagBlock.h"
#include "platform/HostPath.h"
#include "platform/Reporter.h"

namespace {

const char* const kMacros[] = {"AF Description", "AF StartDate", "AF IntroTime", "AF Length Seconds",
                               "AF Length Milliseconds", "AF Length Milliseconds Only", "AF Tag1 Summary"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes = pv::fuzz::AsText(data, size);
    const std::string path = pv::fuzz::Scratch() / "in.wav";
    pv::fuzz::WriteWholeFile(path, bytes);

    pv::NullReporter reporter;
    pv::CAudioFileHeader header(&reporter);
    if (header.ReadHeader(path)) {
        header.CartText();
        std::string value;
        for (const char* macro : kMacros) header.AfMacroValue(macro, value);
        std::string output = pv::fuzz::Scratch() / "out.wav";
        for (int mode : {pv::CAudioFileHeader::nameFromCutId, pv::CAudioFileHeader::nameFromTitle}) {
            output = pv::fuzz::Scratch() / "out.wav";
            if (header.NameFromCart(header, output, mode)) {
                // The new name stays in the folder.
                PV_FUZZ_CHECK(output.starts_with(pv::fuzz::Scratch().Folder()));
                PV_FUZZ_CHECK(pv::platform::IsSafeFileName(output.substr(pv::fuzz::Scratch().Folder().size())));
            }
        }
        header.SetTag(pv::tagDescription, "Written back");
        if (header.WriteTagsToFile(path, false)) {
            // The file still reads, and with the tags just written.
            pv::CAudioFileHeader reread;
            PV_FUZZ_CHECK(reread.ReadHeader(path));
            PV_FUZZ_CHECK(reread.BuildTagBlock() == header.BuildTagBlock());
        }
    }

    const pv::audio::CartChunk cart{std::string(bytes)};
    cart.Dump();
    pv::audio::ParseProgramAssociatedData(cart.EntireText());
    for (int i = 0; i < pv::audio::CartChunk::kPostTimerCount; ++i) cart.PostTimer(i);
    pv::audio::RearrangeCartDate(std::string(bytes.substr(0, 10)));
    pv::ParseAudioTagBlock(bytes);
    return 0;
}
