#include "publish/FolderAliasReader.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <utility>

#include "platform/Wildcard.h"
#include "publish/DatePlaceholders.h"
#include "publish/FolderAliasOptions.h"
#include "transport/Credentials.h"
#include "transport/FileNames.h"
#include "transport/Filename.h"
#include "transport/FtpFile.h"
#include "transport/FtpPath.h"
#include "transport/PathJoin.h"

namespace pv {

namespace {

constexpr unsigned kReadShared = platform::File::modeRead | platform::File::shareDenyNone | platform::File::typeText;

constexpr std::string_view kNeitherBefore =
    "Neither Database= nor Output_Filename=\nwere specified in DBFolder.dat for "
    "alias ";
constexpr std::string_view kNeitherAfter =
    "\nOne of them must be specified.\n\nThis usually occurs if someone is using\nTOO OLD a version of Quillmark32 to "
    "make a story submission through\npressvane/fernwick. Verify the version being used by the person who\npushed "
    "this story. Please note, pressvane will continue to retry\nthis story unless you delete the submission file and "
    "it's accompanying dat\nfile (generally found in wire\\pressvane\\in). However, while you will see\nus retry this "
    "story, we will still detect and push other stories that are\nsubmitted in the meantime. Since restarting "
    "pressvane will not likely\nsolve this problem, it is not necessary to do so.\n";

bool EndsWithSeparator(const std::string& path) { return !path.empty() && (path.back() == '\\' || path.back() == '/'); }

bool EndsWithIgnoringCase(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && platform::EqualsIgnoringCase(text.substr(text.size() - end.size()), end);
}

void ReplaceAll(std::string& text, std::string_view what, std::string_view with) {
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
}

// In a feed the line-break and blank texts are text, not markup.
void EscapeForRss(RouteStoryState& state) {
    for (std::string* text : {&state.eol, &state.nbsp}) {
        ReplaceAll(*text, "<", "&lt;");
        ReplaceAll(*text, ">", "&gt;");
    }
}

// A path written in Windows form gets "\" throughout.  Host paths ("/srv/x")
// and URLs keep the slashes they are written with.
void UseBackslashes(std::string& path) {
    if (path.empty() || path.front() == '/' || IsSlashUrl(path)) return;
    std::replace(path.begin(), path.end(), '/', '\\');
}

// The line of the alias: the first usable line whose alias equals it
// (without regard to case), else the first usable line; empty when the file
// has none.
std::string FindAliasLine(CFileString& file, std::string_view alias) {
    std::optional<std::string> firstUsable;
    std::string line;
    while (file.ReadLine(line)) {
        if (IsFolderAliasComment(line)) continue;
        if (!firstUsable) firstUsable = line;
        const std::optional<std::string_view> lineAlias = FolderAliasOfLine(line);
        if (lineAlias && platform::EqualsIgnoringCase(*lineAlias, alias)) return line;
    }
    return firstUsable.value_or(std::string());
}

bool FolderPresent(CFTPFile& file, const Location& folder) {
    return file.FolderExists(folder) == platform::Existence::present;
}

}  // namespace

FolderAliasReader::FolderAliasReader(FileAccess& files, Reporter& reporter, TraceLog& trace, WireMessages& fatalErrors,
                                     platform::Clock& clock, std::string workingFolder)
    : m_files(files),
      m_reporter(reporter),
      m_trace(trace),
      m_fatalErrors(fatalErrors),
      m_clock(clock),
      m_workingFolder(std::move(workingFolder)) {}

Status FolderAliasReader::ReadFolderDat(const CDirOptions& route, RouteStoryState& routeState, CFileData& story) {
    ReadContext read{route, routeState, story, Today()};
    PrepareForRead(route, routeState, story);
    std::string line;
    Status status = ReadAliasLine(AliasFileFor(route), story.work.alias, line);
    if (!status.ok()) return Fatal(read, status);
    story.work.storagePath.clear();
    story.work.archiveSubfolder.clear();
    if (status = ApplyOptions(read, line); !status.ok()) return status;
    if (routeState.rss) EscapeForRss(routeState);
    if (status = DeriveValues(read); !status.ok()) return status;
    FillDates(read);
    return Status::OK();
}

Location FolderAliasReader::AliasFileFor(const CDirOptions& route) {
    if (!route.m_inDir.Empty()) {
        const Location inInputFolder = route.m_inDir.Subfolder(kFolderName).Join(kFileName);
        CFTPFile probe(m_files);
        if (probe.ExistState(inInputFolder) == platform::Existence::present) return inInputFolder;
    }
    return Location::Parse(JoinPath(m_workingFolder, std::string(kFolderName) + "\\" + kFileName));
}

std::tm FolderAliasReader::Today() const {
    std::tm today{};
    platform::Clock::LocalTime(m_clock.NowSeconds(), today);
    return today;
}

void FolderAliasReader::PrepareForRead(const CDirOptions& route, RouteStoryState& state, CFileData& story) {
    story.ResetOptions();
    story.options.audioFormat = route.m_nAudioFormat;
    story.options.audioBitrate = route.m_nAudioBitrate;
    story.options.audioRatio = route.m_nAudioRatio;
    story.options.wmaProfileFilename = route.m_strWmaProfileName;
    state.ResetForAliasRead();
}

Status FolderAliasReader::ReadAliasLine(const Location& file, const std::string& alias, std::string& line) {
    const std::string failure = "Fatal Error: can't open " + file.Display() + ".";
    CFTPFile reader(m_files);
    std::string error;
    if (!reader.Open(file, kReadShared, &error))
        return Status::IoError(failure).WithDetail(error.empty() ? reader.ErrorText() : error);
    line = FindAliasLine(reader, alias);
    const bool readFailed = reader.ReadFailed();
    reader.Close();  // read only: nothing to lose
    if (readFailed) return Status::IoError(failure).WithDetail("A read of the file failed.");
    return Status::OK();
}

Status FolderAliasReader::ApplyOptions(ReadContext& read, const std::string& line) {
    for (const FolderAliasOption& option : FolderAliasOptions(line)) {
        Next next = Next::readOn;
        if (const Status status = ApplyOption(read, option, next); !status.ok()) return status;
        if (next == Next::stopReading) break;
    }
    return Status::OK();
}

Status FolderAliasReader::ApplyOption(ReadContext& read, const FolderAliasOption& option, Next& next) {
    if (option.key == "database") return SetDatabase(read, option.value, next);
    if (option.key == "template_directory") return SetTemplateFolder(read, option.value);
    FolderAliasTarget target{read.story, read.state, m_reporter};
    if (ApplyFolderAliasOption(option, target)) return Status::OK();
    // Reported as fatal, but the rest of the line still counts.
    m_fatalErrors.PostFatalError(&read.route, read.story.work.slug,
                                 "Invalid option " + OptionTextForDisplay(option.written) +
                                     " in DBFolder.dat for alias " + read.story.work.alias + " will be ignored.");
    return Status::OK();
}

// A path without ".mdb" names a folder: the substitute database in it is
// used, and the rest of the line is not read.  Otherwise the database's
// folder must exist.
Status FolderAliasReader::SetDatabase(ReadContext& read, const std::string& value, Next& next) {
    CFileData::AliasOptions& options = read.story.options;
    options.databasePath = value;
    if (!EndsWithIgnoringCase(value, ".mdb")) {
        m_reporter.Status(
            "No database name specified for folder alias " + read.story.work.alias + ". We will use Super_Vorel.mdb.",
            true);
        AppendPathSeparator(options.databasePath);
        options.databasePath += kSubstituteDatabase;
        next = Next::stopReading;
        return Status::OK();
    }
    SplitFolderAndName(options.databasePath, &options.databaseFolder);
    if (options.databaseFolder.empty()) return Status::OK();  // a bare name: nothing to test
    const Location folder = Anchored(options.databasePath).Folder();
    CFTPFile probe(m_files);
    if (FolderPresent(probe, folder)) return Status::OK();
    const std::string text = "Database path " + WithoutCredentials(options.databaseFolder) + " for alias " +
                             read.story.work.alias + " does not exist.";
    options.databasePath.clear();
    return Fatal(read, Status::NotFound(text).WithDetail(folder.Problem().message()));
}

// The date placeholders are filled here already, so that the folder tested
// and made is the one the story uses.
Status FolderAliasReader::SetTemplateFolder(ReadContext& read, const std::string& value) {
    std::string& folder = read.story.options.templateFolder;
    folder = value;
    AppendPathSeparator(folder);
    FillDatePlaceholders(folder, read.today);
    std::string plain = folder, user, password, error;
    if (!TakeCredentials(plain, user, password, &error)) {
        m_reporter.Status(error, true);
        folder.clear();
        return Status::OK();
    }
    const Location place = Anchored(folder);
    if (!place.Problem().ok()) {
        m_reporter.Status("Template path " + plain + " for alias " + read.story.work.alias +
                              " can not be used: " + place.Problem().message() + ".",
                          true);
        folder.clear();
        return Status::OK();
    }
    CFTPFile maker(m_files);
    if (!read.route.m_bMakeSurePathsExist || FolderPresent(maker, place)) return Status::OK();
    {
        TraceScope scope(m_trace, "CPressvaneDlg::ReadFolderDat - Make template directory");
        maker.mkdir(place);
    }
    if (FolderPresent(maker, place)) return Status::OK();
    folder.clear();
    return Fatal(read, Status::NotFound("Template path " + plain + " for alias " + read.story.work.alias +
                                        " does not exist, and can not be created."));
}

Status FolderAliasReader::DeriveValues(ReadContext& read) {
    CFileData::AliasOptions& options = read.story.options;
    if (!options.databaseFolder.empty()) {
        UseBackslashes(options.databaseFolder);
        if (!EndsWithSeparator(options.databaseFolder)) options.databaseFolder += '\\';
    }
    UseBackslashes(options.outputFilename);
    DeriveCredentialsAndExtension(options);
    UseBackslashes(options.templateFolder);
    MakeTemplateFolderIfMissing(read);
    if (options.databasePath.empty() && options.outputFilename.empty())
        return Fatal(read, Status::InvalidArgument(std::string(kNeitherBefore) + read.story.work.alias +
                                                   std::string(kNeitherAfter)));
    // A fixed output name stands only for a page that is replaced, modified
    // or named after its source; other stories get unique names.
    if (!options.outputFilename.empty() && !options.replaceFile && !options.modifyFile && !options.useOriginalFilename)
        read.state.uniqueFile = true;
    return Status::OK();
}

// Without a userid option, the FTP logon is the one in the output file
// name.  The output extension, when no option set it, is the output file
// name's (".txt" when it has none).
void FolderAliasReader::DeriveCredentialsAndExtension(CFileData::AliasOptions& options) {
    if (options.userId.empty()) {
        std::string plain = options.outputFilename;
        TakeCredentials(plain, options.userId, options.password);  // both empty without a (well-formed) part
    }
    if (!options.outputExtension.empty()) return;
    const std::string extension = CFilename(WithoutCredentials(options.outputFilename)).GetExt();
    options.outputExtension = extension.empty() ? ".txt" : extension;
}

// The template folder was made when its option was read; this catches one
// that went missing since.  Whether it worked shows when the templates are
// read.
void FolderAliasReader::MakeTemplateFolderIfMissing(ReadContext& read) {
    const CFileData::AliasOptions& options = read.story.options;
    if (!read.route.m_bMakeSurePathsExist || options.templateFolder.empty()) return;
    const Location place = Anchored(options.templateFolder);
    if (!place.Problem().ok()) return;
    CFTPFile maker(m_files);
    maker.SetCredentials(options.userId, options.password);
    if (FolderPresent(maker, place)) return;
    TraceScope scope(m_trace, "CPressvaneDlg::ReadFolderDat - Make template path");
    maker.mkdir(place);
}

void FolderAliasReader::FillDates(ReadContext& read) {
    FillDatePlaceholders(read.story.options.outputFilename, read.today);
    FillDatePlaceholders(read.story.options.templateFolder, read.today);
    FillDatePlaceholders(read.state.linkOutputPath, read.today);
}

Location FolderAliasReader::Anchored(const std::string& path) const {
    const Location location = Location::Parse(path);
    if (location.Kind() != LocationKind::relative || location.Empty()) return location;
    return Location::Parse(JoinPath(m_workingFolder, path));
}

Status FolderAliasReader::Fatal(const ReadContext& read, Status failure) {
    m_fatalErrors.PostFatalError(&read.route, read.story.work.slug, failure.message());
    if (!failure.detail().empty()) m_reporter.Status(failure.detail(), true);
    return failure;
}

}  // namespace pv
