// CFTPFile as an open file: FTP files through a temporary local copy, a read
// layer whose line reader accepts every common line end, temporary names
// and the ID.dat numbers.
#include <algorithm>
#include <cstring>
#include <thread>

#include "transport/Credentials.h"
#include "transport/FtpFile.h"

namespace pv {

namespace {

constexpr int64_t kReadBufferSize = 65536;
constexpr int64_t kRefillBelow = 1024;
constexpr int kMaxNumber = 99999;
constexpr int kLockAttempts = 100;

bool Writable(unsigned mode) { return (mode & 0x3) != platform::File::modeRead; }

}  // namespace

bool CFTPFile::OpenFtp(const std::string& path, unsigned mode, std::string* error) {
    m_tempCopy = m_access.NewTempCopyName();
    const bool create = mode & platform::File::modeCreate;
    const bool keep = mode & platform::File::modeNoTruncate;
    if (!create || keep) {
        if (!CopyFile(path, m_tempCopy)) {
            // Starting empty is right only for a file known not to exist:
            // otherwise Close would upload an empty file over the real one.
            const bool absent = create && ExistState(path) == platform::Existence::absent;
            if (!absent) {
                m_access.Trace("CFTPFile::Open - FAILED - FTP file Copy file failed");
                if (error) *error = m_strErrorText;
                platform::RemoveFile(m_tempCopy);
                m_tempCopy.clear();
                return false;
            }
        }
    }
    if (!CFileString::Open(m_tempCopy, mode, error)) {
        m_access.Trace("CFTPFile::Open - FAILED - FTP file Local open failed");
        platform::RemoveFile(m_tempCopy);
        m_tempCopy.clear();
        return false;
    }
    return true;
}

bool CFTPFile::Open(const std::string& pathIn, unsigned mode, std::string* error) {
    if (IsOpen()) Close();
    mode &= ~static_cast<unsigned>(platform::File::typeText);
    std::string path = pathIn;
    if (!ParseCredentials(path, &m_strErrorText)) {
        if (error) *error = m_strErrorText;
        return false;
    }
    m_openPath = path;
    m_openMode = mode;
    m_bIsFtp = IsFtpUrl(path);
    const bool opened = m_bIsFtp ? OpenFtp(path, mode, error) : CFileString::Open(path, mode, error);
    if (!opened) {
        if (!m_bIsFtp) m_access.Trace("CFTPFile::Open - FAILED - Local file Open failed");
        m_openPath.clear();
        return false;
    }
    m_readBuffer.assign(kReadBufferSize, '\0');
    DropReadLayer();
    m_position = 0;
    m_readLayerUsed = false;
    return true;
}

// A file whose writing failed is never uploaded: the remote copy stays as it was.
bool CFTPFile::Close() {
    if (!IsOpen()) return true;
    bool ok = CFileString::Close();
    if (!m_bIsFtp) {
        if (ok && Writable(m_openMode) && m_access.Settings().updateDateTimeForUncDestinations)
            platform::SetModifiedTime(m_openPath, m_access.Clock().NowSeconds());
    } else {
        if (ok && Writable(m_openMode)) ok = CopyFile(m_tempCopy, m_openPath);
        platform::RemoveFile(m_tempCopy);
        m_tempCopy.clear();
    }
    m_openPath.clear();
    DropReadLayer();
    return ok;
}

void CFTPFile::Abandon() {
    if (!IsOpen()) return;
    CFileString::Close();
    if (m_bIsFtp) {
        platform::RemoveFile(m_tempCopy);
        m_tempCopy.clear();
    }
    m_openPath.clear();
    DropReadLayer();
}

void CFTPFile::DropReadLayer() {
    m_available = 0;
    m_readOffset = 0;
    m_endOfFile = false;
}

// Keeps the unread bytes and reads behind them until at least `wanted` are
// buffered (or the file ends).  The buffer grows for a line longer than it.
bool CFTPFile::FillReadBuffer(int64_t wanted) {
    if (m_available >= wanted || m_endOfFile) return m_available > 0;
    if (m_readOffset > 0 && m_available > 0)
        std::memmove(m_readBuffer.data(), m_readBuffer.data() + m_readOffset, static_cast<size_t>(m_available));
    m_readOffset = 0;
    // Doubling at least, so that waiting for the end of a long run of bytes
    // a byte at a time still reads the file in large blocks.
    if (static_cast<int64_t>(m_readBuffer.size()) < wanted)
        m_readBuffer.resize(std::max(static_cast<size_t>(wanted), 2 * m_readBuffer.size()));
    while (m_available < wanted && !m_endOfFile) {
        const int64_t room = static_cast<int64_t>(m_readBuffer.size()) - m_available;
        const int64_t n = BaseFile().Read(m_readBuffer.data() + m_available, room);
        if (n < 0) NoteReadFailure();
        if (n <= 0) m_endOfFile = true;
        else m_available += n;
        if (n < room) m_endOfFile = true;
    }
    return m_available > 0;
}

int64_t CFTPFile::Read(void* destination, int64_t count) {
    if (!IsOpen() || count < 0) return 0;
    if (!m_readLayerUsed) {
        // Start the read layer where the file stands now.
        m_position = CFileString::GetPosition();
        BaseFile().Seek(m_position, platform::File::fromBegin);
        m_readLayerUsed = true;
    }
    if (!destination) {
        FillReadBuffer(std::min(count, kReadBufferSize));
        return 0;
    }
    if (m_available < count && count < kRefillBelow) FillReadBuffer(count);
    const int64_t fromBuffer = std::min(m_available, count);
    std::memcpy(destination, m_readBuffer.data() + m_readOffset, static_cast<size_t>(fromBuffer));
    m_readOffset += fromBuffer;
    m_available -= fromBuffer;
    m_position += fromBuffer;
    int64_t delivered = fromBuffer;
    if (delivered < count && !m_endOfFile) {
        const int64_t n = BaseFile().Read(static_cast<char*>(destination) + delivered, count - delivered);
        if (n < 0) NoteReadFailure();
        if (n > 0) {
            delivered += n;
            m_position += n;
        }
        if (n < count - fromBuffer) m_endOfFile = true;
        m_available = 0;
        m_readOffset = 0;
    }
    return delivered;
}

// Line ends: LF, CR LF, a lone CR, and LF CR; carriage returns right before a
// line feed belong to its line end ("\r\r\n" is one line end, never a line
// and an empty one).  The line is read whole however long it is, and a line
// end split across a refill is still one line end.
bool CFTPFile::ReadLine(std::string& text) {
    text.clear();
    if (!IsOpen()) return false;
    if (!m_readLayerUsed) Read(nullptr, 0);
    if (!FillReadBuffer(kRefillBelow)) return false;
    for (;;) {
        const char* start = m_readBuffer.data() + m_readOffset;
        int64_t i = 0;
        while (i < m_available && start[i] != '\n' && start[i] != '\r') ++i;
        text.append(start, static_cast<size_t>(i));
        m_readOffset += i;
        m_available -= i;
        m_position += i;
        if (m_available == 0) {
            if (FillReadBuffer(kRefillBelow)) continue;
            return true;  // last line without a line end
        }
        ConsumeLineEnd();
        return true;
    }
}

void CFTPFile::ConsumeRead(int64_t count) {
    m_readOffset += count;
    m_available -= count;
    m_position += count;
}

char CFTPFile::BufferedByte(int64_t index) const {
    return m_readBuffer[static_cast<size_t>(m_readOffset + index)];
}

// At the read offset: a line feed and one carriage return after it, or
// carriage returns up to a line feed, or else a single carriage return.
void CFTPFile::ConsumeLineEnd() {
    if (BufferedByte(0) == '\n') {
        ConsumeRead(1);
        if (FillReadBuffer(1) && BufferedByte(0) == '\r') ConsumeRead(1);
        return;
    }
    int64_t returns = 0;
    for (;;) {
        FillReadBuffer(returns + 1);
        if (m_available <= returns || BufferedByte(returns) != '\r') break;
        ++returns;
    }
    const bool lineFeedFollows = m_available > returns && BufferedByte(returns) == '\n';
    ConsumeRead(lineFeedFollows ? returns + 1 : 1);
}

bool CFTPFile::Write(const void* data, int64_t count) {
    if (m_readLayerUsed) {
        BaseFile().Seek(m_position, platform::File::fromBegin);
        DropReadLayer();
        m_readLayerUsed = false;
    }
    return CFileString::Write(data, count);
}

bool CFTPFile::WriteText(const std::string& text) {
    if (text.empty()) return true;
    if (m_readLayerUsed) {
        BaseFile().Seek(m_position, platform::File::fromBegin);
        DropReadLayer();
        m_readLayerUsed = false;
    }
    return CFileString::WriteText(text);
}

int64_t CFTPFile::Seek(int64_t offset, int origin) {
    if (!m_readLayerUsed) return CFileString::Seek(offset, origin);
    int64_t target = -1;
    if (origin == seekCurrent) target = BaseFile().Seek(m_position + offset, platform::File::fromBegin);
    else if (origin == seekEnd) target = BaseFile().Seek(offset, platform::File::fromEnd);
    else target = BaseFile().Seek(offset, platform::File::fromBegin);
    DropReadLayer();
    if (target >= 0) m_position = target;
    return target;
}

int64_t CFTPFile::GetPosition() { return m_readLayerUsed ? m_position : CFileString::GetPosition(); }

// A new name in the same folder, for writing a file and then renaming it
// into place.  The credentials stay with the name.
bool CFTPFile::MakeTempName(std::string& path) {
    std::string plain = path, user, password;
    if (!TakeCredentials(plain, user, password)) return false;
    const size_t cut = plain.find_last_of("\\/");
    const std::string folder = cut == std::string::npos ? std::string() : plain.substr(0, cut + 1);
    path = folder + "ZZQMTemp" + std::to_string(m_access.NextTempCounter());
    if (!user.empty()) path += "|" + user + "|" + password + "|";
    return true;
}

// The number file is locked while it is read and rewritten, so two services
// sharing a folder never hand out the same number.
int CFTPFile::GetNextNumber(const std::string& folderIn) {
    const std::string folder = FolderKeepingCredentials(folderIn, false);
    CFTPFile numberFile(m_access);
    numberFile.SetCredentials(m_strFtpUser, m_strFtpPassword);
    bool open = false;
    if (!folderIn.empty()) {
        const unsigned mode = 0xB012;
        for (int attempt = 0; attempt < kLockAttempts && !(open = numberFile.Open(folder + "ID.dat", mode)); ++attempt) {
            if (IsFtpUrl(NormalisePath(folder))) break;
            m_access.Clock().SleepFor(std::chrono::milliseconds(20));
        }
    }
    int number = m_access.FallbackNumber();
    unsigned char bytes[4] = {0, 0, 0, 0};
    if (open && numberFile.ReadAt(0, bytes, 4) == 4) {
        const uint32_t value = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
        number = value > kMaxNumber ? 0 : static_cast<int>(value);
    }
    const int next = number + 1 > kMaxNumber ? 0 : number + 1;
    m_access.SetFallbackNumber(next);
    if (open) {
        const unsigned char out[4] = {static_cast<unsigned char>(next & 0xFF), static_cast<unsigned char>((next >> 8) & 0xFF),
                                      static_cast<unsigned char>((next >> 16) & 0xFF), 0};
        numberFile.WriteAt(0, out, 4);
        numberFile.Close();
    }
    return number;
}

std::string CFTPFile::GetNextNumberText(const std::string& folder) {
    char text[16];
    std::snprintf(text, sizeof text, "%05d", GetNextNumber(folder));
    return text;
}

}  // namespace pv
