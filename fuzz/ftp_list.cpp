// FTP "LIST" answers: every line through the line parser, then the whole
// answer through the client's listing walk with a name filter.
#include "FuzzSupport.h"
#include "platform/Reporter.h"
#include "transport/FtpClient.h"
#include "transport/FtpListing.h"

namespace {

constexpr std::time_t kNow = 1718445600;  // 2024-06-15 10:00 UTC

void CheckEntry(bool parsed, const pv::FtpListEntry& entry) {
    if (!parsed) {
        PV_FUZZ_CHECK(entry.name.empty() && !entry.mayBeFile && !entry.mayBeFolder && entry.sizeType == 0);
        return;
    }
    PV_FUZZ_CHECK(!entry.name.empty());
    PV_FUZZ_CHECK(entry.name.find('\n') == std::string::npos);
    PV_FUZZ_CHECK(entry.sizeType == 0 || entry.size >= 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text = pv::fuzz::AsText(data, size);

    pv::FtpListParser parser([] { return kNow; });
    pv::FtpListEntry entry;
    for (size_t at = 0; at <= text.size();) {
        const size_t lf = std::min(text.find('\n', at), text.size());
        const bool parsed = parser.ParseListLine(entry, text.substr(at, lf - at));
        CheckEntry(parsed, entry);
        at = lf + 1;
    }

    // The whole answer as FindFirst leaves it in its slot.
    static const char* const kPatterns[] = {"", "*", "*.wav", "a?c*.*", "*.", "*.*"};
    pv::NullReporter reporter;
    pv::FtpListingTable table;
    pv::CFtpClient client(reporter, pv::FtpClientSettings{}, table, [] { return kNow; });
    const int slot = table.Take();
    PV_FUZZ_CHECK(slot >= 0);
    table.At(slot)->listing.assign(text);
    table.At(slot)->pattern = kPatterns[size % std::size(kPatterns)];
    size_t found = 0;
    while (client.FindNextEntry(slot)) {
        const pv::FtpListEntry* listed = client.FindEntry(slot);
        PV_FUZZ_CHECK(listed != nullptr);
        CheckEntry(true, *listed);
        PV_FUZZ_CHECK(++found <= text.size());
    }
    client.FindClose(slot);
    PV_FUZZ_CHECK(table.OpenCount() == 0);
    return 0;
}
