#include "rotation/PlayRotationEngine.h"

#include <optional>

#include "platform/FileMode.h"
#include "platform/Wildcard.h"
#include "rotation/ListFiles.h"
#include "transport/FileString.h"
#include "transport/Filename.h"

namespace pv {

namespace {

using rotation::PlayKind;
using rotation::PlayPath;

// Notes a list as being walked for as long as it lives.
template <typename Id>
class WalkingList {
public:
    WalkingList(std::vector<Id>& walking, const Id& id) : m_walking(walking) { m_walking.push_back(id); }
    ~WalkingList() { m_walking.pop_back(); }
    WalkingList(const WalkingList&) = delete;
    WalkingList& operator=(const WalkingList&) = delete;

private:
    std::vector<Id>& m_walking;
};

}  // namespace

bool CPlayRotationEngine::ResolvePlayName(const std::string& folder, const std::string& playName, PlayChoice& choice) {
    choice.Clear();
    if (playName.empty()) return false;
    const PlayPath parts = rotation::SplitPlayPath(playName);
    const std::string base = rotation::PlaceInFolder(folder, parts.base);
    for (const rotation::PlayType& type : rotation::PlayTypes()) {
        if (!parts.extension.empty() && !platform::EqualsIgnoringCase(parts.extension, type.extension)) continue;
        const std::string path = base + (parts.extension.empty() ? type.extension : parts.extension);
        const bool resolved = type.kind == PlayKind::audio ? CheckPlacedAudioFile(path, choice)
                                                           : PlayNextFromPlacedList(path, choice);
        if (resolved) return true;
    }
    choice.Clear();
    return false;
}

bool CPlayRotationEngine::CheckAudioFile(const std::string& path, PlayChoice& choice) {
    const PlayPath parts = rotation::SplitPlayPath(path);
    return CheckPlacedAudioFile(rotation::PlaceInFolder(m_playFolder, parts.base) + parts.extension, choice);
}

bool CPlayRotationEngine::PlayNextFromList(const std::string& listPath, PlayChoice& choice) {
    const PlayPath parts = rotation::SplitPlayPath(listPath);
    return PlayNextFromPlacedList(rotation::PlaceInFolder(m_playFolder, parts.base) + parts.extension, choice);
}

// The header is read anew (at most 1 ms old), so a file replaced since the
// last story is seen as it is now.
bool CPlayRotationEngine::CheckPlacedAudioFile(const std::string& path, PlayChoice& choice) {
    choice.Clear();
    CAudioFileHeader* header = m_headers.GetHeader(path, 1);
    if (header == nullptr) return false;
    choice.path = path;
    choice.header = header;
    choice.found = choice.playable = true;
    return true;
}

// A rotation file is read once: its list, made beside it, is what rotates.
bool CPlayRotationEngine::ListToWalk(const PlayPath& parts, std::string& listPath) {
    if (!platform::EqualsIgnoringCase(parts.extension, ".rot")) {
        listPath = parts.base + parts.extension;
        return true;
    }
    const std::string rotationPath = parts.base + parts.extension;
    if (!CFilename(rotationPath).Exists()) return false;
    listPath = parts.base + ".rpl";
    if (CFilename(listPath).Exists()) return true;
    std::string error;
    if (rotation::ConvertRotationFile(rotationPath, listPath, error)) return true;
    m_reporter.Status("Unable to convert rotation file " + rotationPath + " to " + listPath + ": " + error, true);
    return false;
}

// A list that names itself, directly or through other lists, would be
// walked without end: the list already being walked is passed over.
bool CPlayRotationEngine::MayWalk(const std::string& listPath, ListId& id) {
    platform::FileStamp stamp;
    if (platform::StampOf(listPath, stamp) != platform::Existence::present) return false;
    id = {stamp.device, stamp.inode};
    for (const ListId& walking : m_walking) {
        if (walking == id) {
            m_reporter.Status("Rotation list " + listPath +
                                  " names itself (directly or through other lists); the entry is passed over.",
                              true);
            return false;
        }
    }
    if (static_cast<int>(m_walking.size()) >= kMaxNesting) {
        m_reporter.Status("Rotation list " + listPath + " lies more than " + std::to_string(kMaxNesting) +
                              " lists deep; the entry is passed over.",
                          true);
        return false;
    }
    return true;
}

bool CPlayRotationEngine::PlayNextFromPlacedList(const std::string& path, PlayChoice& choice) {
    choice.Clear();
    choice.found = true;
    std::string listPath;
    if (!ListToWalk(rotation::SplitPlayPath(path), listPath)) return false;
    CFileString list;
    if (!list.Open(listPath, platform::File::modeRead | platform::File::shareDenyNone)) return false;
    ListId id;
    if (!MayWalk(listPath, id)) return false;
    int64_t chosenEnd = -1;
    {
        WalkingList walking(m_walking, id);
        chosenEnd = Walk(list, choice);
    }
    if (chosenEnd < 0) {
        choice.Clear();
        choice.found = true;
        return true;
    }
    Advance(list, listPath, chosenEnd);
    return true;
}

// Tries every entry once, from the first after the marker (the first of the
// list without one) round to the marker; the position just after the line
// of the entry chosen, or -1 when none is playable.
int64_t CPlayRotationEngine::Walk(CFileString& list, PlayChoice& choice) {
    std::string line;
    int64_t start = 0;
    while (list.ReadLine(line)) {
        if (line == rotation::kPlayNextMarker) {
            start = list.GetPosition();
            break;
        }
    }
    if (start <= 0) {
        start = 0;
        list.SeekToBegin();
    }
    bool wrapped = start == 0;
    for (;;) {
        if (!list.ReadLine(line)) {
            // A list that changed meanwhile may never meet its start again:
            // one round at most.
            if (wrapped) return -1;
            wrapped = true;
            list.SeekToBegin();
            continue;
        }
        if (const std::optional<std::string> entry = rotation::ListEntry(line)) {
            ResolvePlayName(m_playFolder, *entry, choice);
            if (choice.playable) return list.GetPosition();
        }
        if (list.GetPosition() == start) return -1;
    }
}

// The list again, every marker dropped and one put right after the entry
// chosen, replaces the list whole.  Any failure leaves the list as it was
// (the same entry then plays next time) and is said.
void CPlayRotationEngine::Advance(CFileString& list, const std::string& listPath, int64_t chosenEnd) {
    std::string error;
    rotation::ListWriter writer;
    if (list.SeekToBegin() != 0) error = "cannot read " + listPath;
    else if (writer.Begin(listPath, error)) {
        std::string line;
        bool marked = false;
        while (list.ReadLine(line)) {
            if (line != rotation::kPlayNextMarker) writer.AddLine(line);
            if (!marked && list.GetPosition() == chosenEnd) {
                writer.AddLine(rotation::kPlayNextMarker);
                marked = true;
            }
        }
        if (list.ReadFailed()) error = "cannot read " + listPath;
        else if (!marked) error = "the list changed while it was read";
        else if (writer.Commit(true, error)) return;
    }
    m_reporter.Status("Unable to advance rotation list " + listPath + ": " + error, true);
}

}  // namespace pv
