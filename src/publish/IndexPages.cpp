#include "publish/IndexPages.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "platform/Wildcard.h"
#include "publish/MacroExpander.h"
#include "transport/FileNames.h"
#include "transport/FtpFile.h"

namespace pv {

namespace {

constexpr std::string_view kOpener = "<!--Quillmark ";
constexpr std::string_view kCloser = " -->";
constexpr std::string_view kCommentLine = "<!-- ";
constexpr std::string_view kMarkerName = "Add new links before this line";
constexpr std::string_view kLineEnd = "\r\n";
constexpr unsigned kReadMode = platform::File::modeRead | platform::File::shareDenyNone;
constexpr unsigned kWriteMode = platform::File::modeCreate | platform::File::modeWrite | platform::File::shareExclusive;

// Cuts the next macro out of line: text before it goes to `before`, the
// macro's name to `name`, and line keeps what follows it.  nullopt: no
// macro on the line; false: an opener without its closer.
std::optional<bool> NextMacro(std::string& line, std::string& before, std::string& name) {
    const size_t open = line.find(kOpener);
    if (open == std::string::npos) return std::nullopt;
    before = line.substr(0, open);
    const size_t close = line.find(kCloser, open + kOpener.size());
    if (close == std::string::npos) return false;
    name = line.substr(open + kOpener.size(), close - open - kOpener.size());
    line.erase(0, close + kCloser.size());
    return true;
}

}  // namespace

struct IndexPages::Update {
    Publication& publication;
    Location page;
    Location leftover;
    Location privateTemp;
    MacroExpander macros;
    bool created = false;            // the page is made now, from its template
    std::vector<std::string> lines;  // the page's lines: as it stands, or as made from its template
    std::string linkLine;
};

IndexPages::IndexPages(FileAccess& files, const platform::Clock& clock, std::string workingFolder)
    : m_files(files), m_clock(clock), m_templates(files, std::move(workingFolder)) {}

Status IndexPages::AddToStoryIndex(Publication& publication) {
    // The index is a convenience of the storage folder: a failure has been
    // reported and the story stands.
    UpdateIndexPage(publication, publication.paths.storage.Join(kStoryIndexName), kStoryIndexTemplate,
                    kStoryIndexLinkTemplate);
    return Status::OK();
}

bool IndexPages::UpdateIndexPage(Publication& publication, const Location& indexPage, const std::string& indexTemplate,
                                 const std::string& linkTemplate) {
    const Location folder = indexPage.Folder();
    Update update{publication, indexPage, folder.Join(kLeftoverName), folder.Join(HiddenCopyName()),
                  MacroExpander(publication.values, m_clock), false, {}, {}};
    CFTPFile file(m_files);
    const platform::Existence state = file.ExistState(indexPage);
    if (state == platform::Existence::unknown) return Fail(update, "Can't open index file " + indexPage.Display() + ".");
    if (state == platform::Existence::absent) {
        const bool leftover = file.ExistState(update.leftover) == platform::Existence::present;
        if (leftover ? !TakeLeftover(update) : !MakeNewPage(update, indexTemplate)) return false;
    }
    if (!MakeLinkLine(update, indexTemplate, linkTemplate)) return false;
    if (!update.created && !ReadPage(update)) return false;
    // A page that is there and holds the link already, or cannot take it,
    // stays as it is: nothing is written.  A page made now is written in
    // any case.
    std::string text;
    const Insertion insertion = WithLink(update, text);
    if (insertion == Insertion::alreadyThere && !update.created) return true;
    if (insertion != Insertion::noMarker || update.created) {
        // The page is written under a hidden name of this instance and
        // renamed into place; a start after a crash removes what a dead run
        // left of it.
        const InFlightNote writing(m_files, kInFlightCopy, update.privateTemp);
        if (!WriteReplacement(update, text) || !PutInPlace(update)) return false;
    }
    if (insertion != Insertion::noMarker) return true;
    publication.reports.Note("The index file " + indexPage.Display() + " has no line " + kMarkerLine +
                             ": the link of " + publication.values.slug + " was not added.");
    return false;
}

// An earlier update that stopped between deleting the page and renaming its
// replacement left the replacement complete under the leftover name.
bool IndexPages::TakeLeftover(Update& update) {
    CFTPFile file(m_files);
    if (file.Rename(update.leftover, update.page) == 0) return true;
    return Fail(update, "Could not copy the old temp file to the index file " + update.page.Display());
}

// The lines of a new page: the index template with its macros expanded,
// the marker macro written back as the marker it is.
bool IndexPages::MakeNewPage(Update& update, const std::string& indexTemplate) {
    const Location where = m_templates.LocateLinkTemplate(indexTemplate, update.publication.Options().templateFolder);
    CFTPFile source(m_files);
    if (!source.Open(where, kReadMode)) return Fail(update, "Can't open index template file " + where.Display() + ".");
    for (std::string line; source.ReadLine(line);) {
        std::string page, before, name;
        for (std::optional<bool> macro; (macro = NextMacro(line, before, name));) {
            if (!*macro) {
                source.Close();
                return Fail(update, "Corrupt macro definition in IndexTemplate file " + indexTemplate + ".");
            }
            page += before;
            page += platform::EqualsIgnoringCase(name, kMarkerName) ? std::string(kOpener) + name + std::string(kCloser)
                                                        : update.macros.Value(name).value_or("");
        }
        update.lines.push_back(page + line);
    }
    source.Close();
    update.created = true;
    return true;
}

// The link line: the link template's lines that are not comments, expanded
// and joined into one.
bool IndexPages::MakeLinkLine(Update& update, const std::string& indexTemplate, const std::string& linkTemplate) {
    const Location where = m_templates.LocateLinkTemplate(linkTemplate, update.publication.Options().templateFolder);
    CFTPFile source(m_files);
    if (!source.Open(where, kReadMode))
        return Fail(update, "Can't open index link template file " + where.Display() + ".");
    for (std::string line; source.ReadLine(line);) {
        if (line.compare(0, kCommentLine.size(), kCommentLine) == 0) continue;
        std::string before, name;
        for (std::optional<bool> macro; (macro = NextMacro(line, before, name));) {
            std::optional<std::string> value = *macro ? update.macros.Value(name) : std::nullopt;
            if (!value) {
                source.Close();
                return Fail(update, *macro ? "Corrupt macro definition in IndexLinkTemplate file " + linkTemplate + "."
                                           : "Corrupt macro definition in IndexTemplate file " + indexTemplate + ".");
            }
            update.linkLine += before + *value;
        }
        update.linkLine += line;
    }
    if (!source.Close()) return Fail(update, "Faile to properly close Template file " + where.Display() + ".");
    return true;
}

// The page as it stands, whole: an update either leaves it as it is or
// replaces it, so it is read once.  A page that cannot be read whole is
// never replaced by the part that could.
bool IndexPages::ReadPage(Update& update) {
    CFTPFile source(m_files);
    if (!source.Open(update.page, kReadMode)) return Fail(update, "Can't open index file " + update.page.Display() + ".");
    for (std::string line; source.ReadLine(line);) update.lines.push_back(line);
    const bool readWhole = !source.ReadFailed();
    if (!source.Close()) return Fail(update, "Can't write the index file " + update.page.Display() + ".");
    if (!readWhole) return Fail(update, "Can't open index file " + update.page.Display() + ".");
    return true;
}

// The page's text with the link line above every marker line; a page that
// holds the link line already gets none.
IndexPages::Insertion IndexPages::WithLink(const Update& update, std::string& text) {
    const bool linked = std::find(update.lines.begin(), update.lines.end(), update.linkLine) != update.lines.end();
    Insertion insertion = linked ? Insertion::alreadyThere : Insertion::noMarker;
    size_t size = 0;
    for (const std::string& line : update.lines) size += line.size() + 2;
    text.reserve(size + update.linkLine.size() + 2);
    for (const std::string& line : update.lines) {
        if (line == kMarkerLine && !linked) {
            insertion = Insertion::inserted;
            text += update.linkLine;
            text += kLineEnd;
        }
        text += line;
        text += kLineEnd;
    }
    return insertion;
}

// The new page under the private name, in one write.
bool IndexPages::WriteReplacement(Update& update, const std::string& text) {
    CFTPFile target(m_files);
    if (!target.Open(update.privateTemp, kWriteMode))
        return Fail(update, "Can't open index file " + update.page.Display() + ".");
    const bool written = target.Write(text.data(), static_cast<int64_t>(text.size()));
    if (!target.Close() || !written) return Fail(update, "Can't write the index file " + update.page.Display() + ".");
    return true;
}

bool IndexPages::PutInPlace(Update& update) {
    CFTPFile file(m_files);
    const std::string renameFailed = "Could not rename the temp file to the index file " + update.page.Display();
    if (!update.page.IsFtp()) {
        if (file.MoveLocalFile(update.privateTemp, update.page, true)) return true;
        return Fail(update, renameFailed);
    }
    file.Remove(update.leftover);
    if (file.Rename(update.privateTemp, update.leftover) != 0) return Fail(update, renameFailed);
    if (file.Remove(update.page) != 0 && file.ExistState(update.page) == platform::Existence::present) {
        file.Remove(update.leftover);
        return Fail(update, "Could not delete the old index file " + update.page.Display());
    }
    if (file.Rename(update.leftover, update.page) != 0) return Fail(update, renameFailed);
    return true;
}

bool IndexPages::Fail(Update& update, const std::string& text) {
    update.publication.reports.Fatal(text);
    CFTPFile file(m_files);
    if (file.ExistState(update.privateTemp) == platform::Existence::present) file.Remove(update.privateTemp);
    return false;
}

}  // namespace pv
