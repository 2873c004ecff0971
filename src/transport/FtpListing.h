#pragma once
// The table of open FTP listings of one file access (and of the clients it
// logs on).  A listing is fetched whole by FindFirst and handed out entry by
// entry; its slot lives until FindClose.
#include <array>
#include <mutex>
#include <string>

#include "transport/FtpListParser.h"

namespace pv {

struct FtpListingSlot {
    bool inUse = false;
    FtpListEntry entry;     // the entry FindNextEntry found last
    std::string listing;    // the raw listing
    size_t parsePosition = 0;
    std::string pattern;    // wildcard filter on names; empty = all
    std::string exactName;  // when set, only the entry with exactly this name
};

class FtpListingTable {
public:
    static constexpr int kSlots = 10;  // at most kSlots - 1 are open at once

    // A free slot (taken from the bottom), or -1 when all usable ones are open.
    int Take();
    // Frees the slot's listing; the count of open slots drops over free top slots.
    void Release(int slot);
    FtpListingSlot* At(int slot);
    int OpenCount();

private:
    std::mutex m_mutex;
    std::array<FtpListingSlot, kSlots> m_slots;
    int m_count = 0;
};

}  // namespace pv
