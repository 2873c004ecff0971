#pragma once
// What a play name is made of: the kinds of file it can name (by extension,
// in the order a name without extension tries them), whether a path stands
// on its own or hangs off the play folder, and the entries of a rotation
// list's lines.
#include <optional>
#include <span>
#include <string>

namespace pv::rotation {

enum class PlayKind { list, rotationFile, audio };

struct PlayType {
    const char* extension;  // lower case, with its dot
    PlayKind kind;
};

// ".rpl", ".rot", ".wav", ".txt", ".mp2", ".mp3", in that order.
std::span<const PlayType> PlayTypes();

// The line that marks where a rotation list stands: the first entry after
// it is the next one to play.  Compared whole and exactly.
inline constexpr const char* kPlayNextMarker = "<!--Quillmark PlayNext -->";

// A path that needs no folder in front: one with a drive or scheme colon, a
// host path ("/...") or a share ("\\server\share...").
bool IsAbsolutePlayPath(const std::string& path);

// A path split into everything but its extension, and its extension (with
// its dot; empty when the name has none).
struct PlayPath {
    std::string base;
    std::string extension;
};
PlayPath SplitPlayPath(const std::string& path);

// folder + path for a relative path, a separator put between them when the
// folder lacks one; an absolute path (or an empty folder) as it is.
std::string PlaceInFolder(std::string folder, const std::string& path);

// The play name a list line holds: the text between its first "[" and its
// last "]", trimmed of blanks and tabs, when the "[" comes first.  Nothing
// for other lines (comments, blank lines, the marker).
std::optional<std::string> ListEntry(const std::string& line);

// Where a list is rewritten before it replaces the list: its folder and
// title + "_$$QM.rpl" ("Promos.txt" -> "Promos_$$QM.rpl").
std::string TemporaryListPath(const std::string& listPath);

}  // namespace pv::rotation
