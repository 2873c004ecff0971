// Listings of CFtpClient and the slot table that holds them.
#include "transport/FtpListing.h"

#include "platform/Wildcard.h"
#include "transport/FtpClient.h"

namespace pv {

namespace {

// A listing larger than this is refused rather than cut: a cut listing could
// end in half a line and so in a name that does not exist.
constexpr size_t kMaxListing = 256u * 1024 * 1024;

bool HasWildcard(const std::string& text) { return text.find_first_of("*?") != std::string::npos; }

// "folder/*.dat" -> LIST "folder" and keep names matching "*.dat".  Servers
// differ in whether they expand wildcards, so we always filter ourselves.
void SplitPattern(const std::string& name, std::string& target, std::string& pattern) {
    const size_t slash = name.find_last_of('/');
    const std::string last = slash == std::string::npos ? name : name.substr(slash + 1);
    if (!HasWildcard(last)) {
        target = name;
        pattern.clear();
        return;
    }
    pattern = last;
    target = slash == std::string::npos ? std::string() : name.substr(0, slash == 0 ? 1 : slash);
}

bool IsNoSuchFileReply(const std::string& reply) { return reply.rfind("450", 0) == 0 || reply.rfind("550", 0) == 0; }

// "folder/name" -> "name".
std::string LastPart(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Some servers read LIST's argument as ls reads its command line: a blank
// splits it, a leading "-" makes an option, brackets a pattern.  A name like
// that is looked for in a listing of its folder instead, unless the listing
// of the name itself shows an entry of that name.
bool ServerMayMisreadName(const std::string& name) {
    const std::string last = LastPart(name);
    return !last.empty() && (last.find_first_of(" \t[]") != std::string::npos || last.front() == '-');
}

}  // namespace

int FtpListingTable::Take() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_count + 1 >= kSlots) return -1;
    const int slot = m_count++;
    m_slots[slot] = FtpListingSlot{};
    m_slots[slot].inUse = true;
    return slot;
}

void FtpListingTable::Release(int slot) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (slot < 0 || slot >= kSlots) return;
    m_slots[slot] = FtpListingSlot{};
    while (m_count > 0 && !m_slots[m_count - 1].inUse) --m_count;
}

FtpListingSlot* FtpListingTable::At(int slot) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return (slot >= 0 && slot < kSlots && m_slots[slot].inUse) ? &m_slots[slot] : nullptr;
}

int FtpListingTable::OpenCount() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_count;
}

int CFtpClient::FindFirst(const std::string& name) {
    Trace("CFtpClient::FindFirst Starting strRemoteFilename: " + name);
    m_strErrorText.clear();
    m_eLastListResult = FtpListResult::failed;
    FtpListingTable& table = m_listings;
    const int slot = table.Take();
    if (slot < 0) {
        Trace("CFtpClient::FindFirst Error. Too many client file find sructs. strRemoteFilename: " + name);
        m_strErrorText = "Too many listings open at once.";
        return -1;
    }
    FtpListingSlot& listing = *table.At(slot);
    std::string target;
    SplitPattern(name, target, listing.pattern);
    const bool fetched = FetchListing(target, listing.listing);
    if (!fetched && m_eLastListResult != FtpListResult::noSuchFile) {
        table.Release(slot);
        return -1;
    }
    if (!fetched) listing.listing.clear();
    if (listing.pattern.empty() && ServerMayMisreadName(target) && !NamesEntry(listing.listing, LastPart(target)))
        ListFolderForName(target, listing);
    return slot;
}

// Whether the listing has an entry called name, shown alone or after the
// folder it was asked for (as ls shows it).  Entries of other names are what
// a server that split the name or took it for a pattern listed instead.
bool CFtpClient::NamesEntry(const std::string& listing, const std::string& name) {
    FtpListEntry entry;
    for (size_t start = 0; start < listing.size();) {
        const size_t lf = listing.find('\n', start);
        const size_t end = lf == std::string::npos ? listing.size() : lf;
        if (m_parser.ParseListLine(entry, std::string_view(listing.data() + start, end - start)) &&
            LastPart(entry.name) == name)
            return true;
        start = end + 1;
    }
    return false;
}

// The folder's listing, of which only the entry with exactly that name is
// handed out.  A failure leaves the empty answer as it was.
void CFtpClient::ListFolderForName(const std::string& path, FtpListingSlot& listing) {
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    Trace("CFtpClient::FindFirst - no entry for " + path + "; looking for it in its folder's listing");
    std::string folderListing;
    const FtpListResult before = m_eLastListResult;
    if (!FetchListing(folder, folderListing)) {
        m_eLastListResult = before;
        return;
    }
    listing.listing = std::move(folderListing);
    listing.parsePosition = 0;
    listing.exactName = name;
}

// LIST over a passive data connection.  A failed command or a transfer that
// did not end normally is an error, never an empty folder; 450/550 to the
// LIST itself means there is no such file.
bool CFtpClient::FetchListing(const std::string& target, std::string& out) {
    uint32_t address = 0;
    uint16_t port = 0;
    if (!EnterPassiveMode(address, port)) return false;
    if (!WriteCommandString(target.empty() ? "LIST" : "LIST " + target)) {
        m_strErrorText = "Failure trying to Send command string.";
        return false;
    }
    platform::TcpSocket data;
    std::string error;
    if (!data.Connect(address, port, NextDeadline(), &error)) Trace("CFtpClient::EstablishDataConnection: " + error);
    if (!ReadResponeString() || m_nReplyClass != 1) {
        Trace("CFtpClient::FindFirst Error Response string1: " + m_strRetMsg);
        if (IsNoSuchFileReply(m_strRetMsg)) m_eLastListResult = FtpListResult::noSuchFile;
        m_strErrorText = "Listing refused: " + m_strRetMsg;
        return false;
    }
    const bool received = data.IsOpen() && ReceiveListing(data, out);
    data.Close();
    if (!ReadResponeString() || m_nReplyClass != 2 || !received) {
        Trace("CFtpClient::FindFirst Error Response string2: " + m_strRetMsg);
        if (IsNoSuchFileReply(m_strRetMsg)) m_eLastListResult = FtpListResult::noSuchFile;
        m_strErrorText = "Listing failed: " + m_strRetMsg;
        return false;
    }
    Trace("CFtpClient::FindFirst Raw directory dump:\n " + out + "\n");
    m_eLastListResult = FtpListResult::listed;
    return true;
}

bool CFtpClient::ReceiveListing(platform::TcpSocket& data, std::string& out) {
    char buffer[65536];
    for (;;) {
        const platform::TcpSocket::Io io = data.Receive(buffer, sizeof buffer);
        if (io.wouldBlock) {
            if (!data.WaitReadable(NextDeadline())) return false;
            continue;
        }
        if (io.Failed()) return false;
        if (io.bytes == 0) return true;
        if (out.size() + static_cast<size_t>(io.bytes) > kMaxListing) return false;
        out.append(buffer, static_cast<size_t>(io.bytes));
    }
}

bool CFtpClient::FindNextEntry(int slot) {
    FtpListingSlot* listing = m_listings.At(slot);
    if (!listing) return false;
    const std::string& text = listing->listing;
    while (listing->parsePosition < text.size()) {
        const size_t lf = text.find('\n', listing->parsePosition);
        const size_t end = lf == std::string::npos ? text.size() : lf;
        const std::string_view line(text.data() + listing->parsePosition, end - listing->parsePosition);
        listing->parsePosition = lf == std::string::npos ? text.size() : lf + 1;
        if (line == "\r") {  // an empty line ends the listing
            listing->parsePosition = text.size();
            break;
        }
        if (!m_parser.ParseListLine(listing->entry, line)) continue;
        if (!listing->exactName.empty()) {
            if (listing->entry.name == listing->exactName) return true;
            continue;
        }
        if (listing->pattern.empty() || platform::WildcardMatch(listing->pattern, listing->entry.name)) return true;
    }
    listing->entry.name.clear();
    return false;
}

const FtpListEntry* CFtpClient::FindEntry(int slot) const {
    const FtpListingSlot* listing = m_listings.At(slot);
    return listing ? &listing->entry : nullptr;
}

void CFtpClient::FindClose(int slot) {
    Trace("CFtpClient::FindClose - Starting close.");
    m_listings.Release(slot);
    Trace("CFtpClient::FindClose - Returning.");
}

}  // namespace pv
