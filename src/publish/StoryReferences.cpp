#include "publish/StoryReferences.h"

#include <algorithm>

#include "platform/Wildcard.h"
#include "publish/MacroPaths.h"
#include "publish/StoryLines.h"
#include "transport/FtpFile.h"
#include "transport/PathJoin.h"

namespace pv {

namespace {

using platform::AsciiLower;
using platform::EqualsIgnoringCase;

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Where a name's extension starts (its last "." after the last separator),
// or the name's end.
size_t ExtensionStart(std::string_view name) {
    const size_t separator = name.find_last_of("\\/");
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || (separator != std::string_view::npos && dot < separator)) return name.size();
    return dot;
}

// The extension a reference is classified by: after the name's last ".",
// lower case; empty when longer than three characters or holding a
// separator.
std::string CopyExtension(std::string_view name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return {};
    const std::string_view extension = name.substr(dot + 1);
    if (extension.size() > 3 || extension.find_first_of("\\/") != std::string_view::npos) return {};
    return platform::AsciiLowered(extension);
}

bool IsWebAddress(std::string_view name) {
    for (const std::string_view start : {"www.", "//www.", "http:", "https:"})
        if (name.size() >= start.size() && EqualsIgnoringCase(name.substr(0, start.size()), start)) return true;
    return false;
}

// Whether text begins with folder (case and the kind of separator aside)
// and the folder ends there at a separator.
bool BeginsWithFolder(std::string_view text, std::string_view folder) {
    if (folder.empty() || text.size() <= folder.size()) return false;
    for (size_t i = 0; i < folder.size(); ++i) {
        const char a = text[i], b = folder[i];
        if (IsSeparator(a) && IsSeparator(b)) continue;
        if (AsciiLower(a) != AsciiLower(b)) return false;
    }
    return IsSeparator(folder.back()) || IsSeparator(text[folder.size()]);
}

std::string WithoutFolder(const std::string& path) {
    const size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

bool Contains(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

}  // namespace

ReferenceNames SplitReference(std::string_view name) {
    const size_t extensionStart = ExtensionStart(name);
    std::string_view base = name.substr(0, extensionStart);
    const std::string_view extension = name.substr(extensionStart);
    if (base.size() >= 3) {
        const std::string_view end = base.substr(base.size() - 3);
        if (EqualsIgnoringCase(end, "_HI") || EqualsIgnoringCase(end, "_LO")) base.remove_suffix(3);
    }
    const std::string baseText(base), extensionText(extension);
    return {baseText + extensionText, baseText + "_HI" + extensionText, baseText + "_LO" + extensionText};
}

std::string LinkForm(std::string_view path) {
    std::string shown = ShownPath(path);
    if (shown.size() >= 2 && IsAsciiLetter(shown[0]) && shown[1] == ':') return shown.substr(2);
    const size_t scheme = shown.find("://");
    if (scheme != std::string::npos && scheme > 0) return shown.substr(scheme + 3);
    return shown;
}

StoryReferences::StoryReferences(FileAccess& files, ReferenceSettings settings, const CDirOptions& route,
                                 const CFileData& story, StoryReports& reports, TransferFile transfer)
    : m_files(files),
      m_settings(std::move(settings)),
      m_route(route),
      m_story(story),
      m_reports(reports),
      m_transfer(std::move(transfer)) {}

ReferenceRecord* StoryReferences::Find(std::string_view name) {
    if (name.empty()) return nullptr;
    const std::string key = SplitReference(name).key;
    for (ReferenceRecord& record : m_records)
        if (record.key == key) return &record;
    return nullptr;
}

ReferenceRecord* StoryReferences::FindOrAdd(std::string_view name) {
    if (name.empty()) return nullptr;
    if (ReferenceRecord* found = Find(name)) return found;
    const ReferenceNames names = SplitReference(name);
    ReferenceRecord& record = m_records.emplace_back();
    record.key = names.key;
    if (!Location::Parse(name).Problem().ok()) {
        // Never looked at: a name that climbs out of its folder or is no
        // usable path is linked as written and never copied.
        record.notCopied = true;
        m_reports.Log("The linked file " + ShownPath(name) + " is not a usable path; it is not copied.");
        return &record;
    }
    if (Exists(names.high)) record.path = names.high;
    else if (Exists(names.key)) record.path = names.key;
    if (Exists(names.low)) record.lowPath = names.low;
    Classify(record, name);
    return &record;
}

void StoryReferences::Classify(ReferenceRecord& record, std::string_view name) {
    const std::string extension = CopyExtension(name);
    const bool listed = !extension.empty() && Contains(m_settings.copyExtensions, extension);
    if (!listed || IsWebAddress(name)) {
        record.notCopied = true;
    } else if (m_settings.transferAllLinks || InCopyPath(name)) {
        record.notCopied = false;
    } else {
        m_reports.Note("No copy path found for: " + ShownPath(name));
        record.notCopied = true;
    }
}

// The copy path list from its last entry to its first, against the name as
// written and, for a relative name, as it hangs off the working folder.
bool StoryReferences::InCopyPath(std::string_view name) const {
    const std::string anchored = Anchored(std::string(name));
    for (auto folder = m_settings.copyPaths.rbegin(); folder != m_settings.copyPaths.rend(); ++folder)
        if (BeginsWithFolder(name, *folder) || BeginsWithFolder(anchored, *folder)) return true;
    return false;
}

std::string StoryReferences::Anchored(const std::string& name) const {
    if (Location::Parse(name).Kind() != LocationKind::relative || m_settings.workingFolder.empty()) return name;
    return JoinPath(m_settings.workingFolder, name);
}

void StoryReferences::SetCredentials(CFTPFile& file) const {
    file.SetCredentials(m_story.options.userId, m_story.options.password);
}

bool StoryReferences::Exists(const std::string& name) {
    CFTPFile file(m_files);
    SetCredentials(file);
    return file.ExistState(Location::Parse(Anchored(name))) == platform::Existence::present;
}

void StoryReferences::Transfer(ReferenceRecord& record, bool low) {
    const std::string& source = low ? record.lowPath : record.path;
    std::string& output = low ? record.lowOutput : record.output;
    (low ? record.lowTransferTried : record.transferTried) = true;
    std::string path = source;
    const bool transferred = m_transfer && m_transfer(path);
    AssignLinkLine(source);
    output = transferred ? path : source;
    (low ? record.lowMadeHere : record.madeHere) = transferred;
}

std::string StoryReferences::Output(std::string_view name) {
    ReferenceRecord* record = FindOrAdd(name);
    if (!record) return {};
    if (!record->notCopied && !record->path.empty() && record->output.empty() && !record->transferTried)
        Transfer(*record, false);
    if (record->path.empty()) record->path = record->output = std::string(name);
    if (record->output.empty()) record->output = record->path;
    ReadHeader(record->path);
    return LinkForm(record->output);
}

std::string StoryReferences::LowOutput(std::string_view name) {
    ReferenceRecord* record = FindOrAdd(name);
    if (!record) return {};
    if (!record->notCopied && !record->lowPath.empty() && record->lowOutput.empty() && !record->lowTransferTried)
        Transfer(*record, true);
    if (record->lowOutput.empty()) record->lowOutput = record->lowPath;
    if (!record->lowPath.empty()) ReadHeader(record->lowPath);
    return LinkForm(record->lowOutput);
}

void StoryReferences::ReadHeader(const std::string& path) {
    const Location where = Location::Parse(Anchored(path));
    if (!where.Problem().ok() || where.IsFtp()) return;
    m_header.ReadHeader(where.Path());
}

void StoryReferences::TransferAll(CFileString& storyText) {
    SkipStoryHeader(storyText);
    for (std::string line; storyText.ReadLine(line);) {
        for (const std::string& name : ReferencesOn(line)) {
            ReferenceRecord* record = FindOrAdd(name);
            if (!record || record->notCopied || record->path.empty() || !record->output.empty() ||
                record->transferTried)
                continue;
            Transfer(*record, false);
        }
    }
}

bool StoryReferences::AssignLinkLine(const std::string& path) {
    const std::string extension = std::string(StripBlanks(LowerExtensionWithoutDot(WithoutFolder(path))));
    for (size_t line = 0; line < m_linkLines.size(); ++line) {
        if (!m_linkLines[line].empty() || !Contains(m_route.m_strLinkExts[line], extension)) continue;
        m_linkLines[line] = path;
        return true;
    }
    return false;
}

std::string StoryReferences::LinkLine(int line) const {
    return line >= 1 && line <= 3 ? m_linkLines[static_cast<size_t>(line - 1)] : std::string();
}

std::string StoryReferences::PublishedName(int line, bool low) {
    const std::string path = LinkLine(line);
    if (path.empty()) return {};
    return WithoutFolder(low ? LowOutput(path) : Output(path));
}

void StoryReferences::ClearAttachmentHeader() { m_header = CAudioFileHeader(); }

void StoryReferences::NoteAudioRow(std::string_view linkedFilename) {
    if (!m_audioRowKeys.insert(SplitReference(linkedFilename).key).second) return;
    m_audioRows.push_back({std::string(linkedFilename), m_header});
}

void StoryReferences::WithdrawCopies(std::string_view name) {
    ReferenceRecord* record = Find(name);
    if (!record) return;
    Withdraw(record->output, record->madeHere, record->path);
    Withdraw(record->lowOutput, record->lowMadeHere, record->lowPath);
}

void StoryReferences::Withdraw(std::string& output, bool& madeHere, const std::string& source) {
    if (!madeHere || output == source || !Exists(source)) return;
    CFTPFile file(m_files);
    SetCredentials(file);
    const Location copy = Location::Parse(output);
    if (file.Remove(copy) != 0)
        m_reports.Log("Cannot delete " + copy.Display() + ". " + file.ErrorText());
    madeHere = false;
    output = source;
}

}  // namespace pv
