#pragma once
// Resolves a play name to one audio file: a WAV file (MPEG audio in a WAV
// wrapper included) named directly, or the next playable entry of a
// rotation list.  A list remembers where it stands by a marker line, moved
// behind the entry given each time, so successive stories get the entries
// in turn; entries are play names themselves, so lists nest.  A rotation
// file (".rot", fixed records) is turned into a list once.
//
// All rotation state lives in the list files.  A list is always replaced
// whole (written under a temporary name, then renamed over it), so a crash
// leaves the old list or the new one.  Used by one thread at a time.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "audio/AudioFileHeaderCache.h"
#include "platform/Reporter.h"
#include "rotation/PlayName.h"

namespace pv {

class CFileString;

// What a resolution found.
struct PlayChoice {
    std::string path;                  // the audio file chosen
    CAudioFileHeader* header = nullptr;  // its header, owned by the header cache
    bool found = false;                // the name named an audio file or a list
    bool playable = false;             // path and header name a file to use

    void Clear() { *this = PlayChoice{}; }
    bool Usable() const { return header != nullptr && playable; }
};

class CPlayRotationEngine {
public:
    // Lists may name lists this many deep; deeper ones are passed over.
    static constexpr int kMaxNesting = 16;

    // playFolder: where relative names are looked up ("DefaultPlayPath").
    CPlayRotationEngine(CAudioFileHeaderCache& headers, std::string playFolder, Reporter& reporter)
        : m_headers(headers), m_playFolder(std::move(playFolder)), m_reporter(reporter) {}

    // True when the name resolved to an audio file or to an existing list
    // (even one without a playable entry); the choice is usable only when
    // it has a header and is playable.  A relative name is looked up in
    // folder; a name without extension tries the play types in their order.
    bool ResolvePlayName(const std::string& folder, const std::string& playName, PlayChoice& choice);
    // True when the file is an audio file (a header could be read).
    bool CheckAudioFile(const std::string& path, PlayChoice& choice);
    // True when the list (or rotation file) could be opened, whether or not
    // an entry was playable; the list then stands behind the entry chosen.
    bool PlayNextFromList(const std::string& listPath, PlayChoice& choice);

    const std::string& PlayFolder() const { return m_playFolder; }

private:
    struct ListId {
        uint64_t device = 0;
        uint64_t inode = 0;
        bool operator==(const ListId&) const = default;
    };

    bool CheckPlacedAudioFile(const std::string& path, PlayChoice& choice);
    bool PlayNextFromPlacedList(const std::string& path, PlayChoice& choice);
    bool ListToWalk(const rotation::PlayPath& parts, std::string& listPath);
    bool MayWalk(const std::string& listPath, ListId& id);
    int64_t Walk(CFileString& list, PlayChoice& choice);
    void Advance(CFileString& list, const std::string& listPath, int64_t chosenEnd);

    CAudioFileHeaderCache& m_headers;
    const std::string m_playFolder;
    Reporter& m_reporter;
    std::vector<ListId> m_walking;  // the lists being walked, outermost first
};

}  // namespace pv
