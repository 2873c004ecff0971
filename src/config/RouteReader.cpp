#include "config/RouteReader.h"

#include "config/ProfileFile.h"
#include "platform/Wildcard.h"
#include "transport/FileNames.h"
#include "transport/PathJoin.h"

namespace pv {

namespace {

constexpr const char* kSection = "MoveFiles";
constexpr const char* kEndOfList = "QM_No_Dir_Specified";
constexpr const char* kNoAddress = "NoAddressSpecifiedInIniFile";
constexpr const char* kDeleteNote = "You may delete this key, it will not be looked at or used.";
constexpr const char* kNewFilesWarning =
    "NEW FILES PATH IS OBSOLETE AND WILL NOT BE USED BY PRESSVANE BUT MAY STILL BE USED BY QM. DO NOT DELETE THIS KEY.";

std::string AsciiLower(std::string text) {
    for (char& c : text) c = platform::AsciiLower(c);
    return text;
}

std::string Trimmed(const std::string& text) { return std::string(TrimBlanks(text)); }

// A credential form "PATH|ID|PASSWORD|": "/" goes after the credential part
// when the path part does not already end with a separator.
bool AppendAfterCredentials(std::string& folder) {
    if (folder.empty() || folder.back() != '|') return false;
    const std::string pathPart = folder.substr(0, folder.find('|'));
    if (pathPart.empty() || (pathPart.back() != '/' && pathPart.back() != '\\')) folder += '/';
    return true;
}

struct CommandWord {
    const char* word;
    int code;
    const char* canonical;
};

constexpr CommandWord kCommandWords[] = {
    {"Add", kCmdAdd, "Add"},
    {"AddUnique", kCmdAddUnique, "Add Unique"},
    {"Add Unique", kCmdAddUnique, "Add Unique"},
    {"Replace", kCmdReplace, "Replace"},
    {"ReplaceTextOnly", kCmdReplaceTextOnly, "Replace Text Only"},
    {"Replace Text Only", kCmdReplaceTextOnly, "Replace Text Only"},
    {"Delete", kCmdDelete, "Delete"},
};

}  // namespace

std::string RouteKey(const char* name, int n) { return name + std::to_string(n); }

std::string NormaliseInputFolder(std::string folder) {
    if (!AppendAfterCredentials(folder)) AppendPathSeparator(folder);
    return folder;
}

std::string NormaliseOutputFolder(std::string folder) {
    if (!AppendAfterCredentials(folder)) AppendPathSeparator(folder);
    return folder;
}

std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> entries;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = text.find(',', start);
        const size_t end = comma == std::string::npos ? text.size() : comma;
        std::string entry = Trimmed(text.substr(start, end - start));
        if (!entry.empty()) entries.push_back(std::move(entry));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return entries;
}

int RouteReader::FirstFreeRouteNumber() {
    for (int n = 0;; ++n)
        if (Trimmed(m_reads.Peek(kSection, RouteKey("In", n), "")).empty()) return n;
}

void RouteReader::ConvertOldConfiguration() {
    const std::string marker = m_reads.Peek("Pressvane", "DO NOT USE NEW FILES PATH", "No Key Present");
    m_reads.Write("Pressvane", "DO NOT USE NEW FILES PATH", kNewFilesWarning);
    if (marker != "No Key Present") return;
    const std::string oldPath = m_reads.MarkerString("Pressvane", "New Files Path", "", false);
    if (oldPath.empty()) return;

    const int n = FirstFreeRouteNumber();
    auto old = [&](const char* key, const char* fallback) { return m_reads.Peek("Pressvane", key, fallback); };
    auto put = [&](const char* key, const std::string& value) { m_reads.Write(kSection, RouteKey(key, n), value); };
    put("In", oldPath);
    put("Out", "");
    if (m_execute) put("ExecuteBatsAfterMove", "No");
    put("ProcessDatFiles", "Yes");
    put("ProcessTxtFiles", "No");
    put("PostFatalErrorsToPINWELL", old("PostFatalErrorsToPINWELL", "On"));
    put("PostFatalErrorsToMAILCHUTE", old("PostFatalErrorsToMAILCHUTE", "No"));
    put("MAILCHUTEAddress", old("MAILCHUTEAddress", kNoAddress));
    put("UniqueFile", "No");
    // Joined with "," (the list separator of "Aliases%d"), so the descriptor
    // alias stays one entry of its own.
    const std::string oldAliases = old("AliasesIn", "");
    put("Aliases", oldAliases.empty() ? "QMUseDBFolderAlias" : "QMUseDBFolderAlias," + oldAliases);
    put("SummaryOffset", old("SummaryOffsetIn", "150"));
    put("SummaryLength", old("SummaryLengthIn", "150"));
    const char* linkDefaults[] = {"jpg,bmp", "wav,wma,mp2,mp3", "wmv"};
    for (int line = 1; line <= 3; ++line) {
        const std::string key = "LinkExtsForLine" + std::to_string(line);
        m_reads.Write(kSection, key + "_" + std::to_string(n), m_reads.Peek(kSection, key, linkDefaults[line - 1]));
        m_reads.Write("Pressvane", key, kDeleteNote);
    }
    for (const char* key : {"New Files Path", "PostFatalErrorsToPINWELL", "PostFatalErrorsToMAILCHUTE",
                            "MAILCHUTEAddress", "AliasesIn", "SummaryOffsetIn", "SummaryLengthIn"})
        m_reads.Write("Pressvane", key, kDeleteNote);
}

void RouteReader::WriteRouteZeroTemplate() {
    const struct {
        const char* key;
        std::string value;
    } keys[] = {
        {"In0", JoinPath(m_workingFolder, "Pressvane\\In\\")},
        {"Out0", ""},
        {"ExecuteBatsAfterMove0", "No"},
        {"ProcessDatFiles0", "Yes"},
        {"ProcessTxtFiles0", "No"},
        {"Aliases0", ""},
        {"SummaryLineOffset0", "0"},
        {"SummaryOffset0", "0"},
        {"SummaryLength0", "150"},
        {"SummaryMinAdditionalSentenceLength0", "40"},
        {"SummaryMaxAdditionalSentenceLength0", "40"},
        {"LinkExtsForLine1_0", "jpg,bmp"},
        {"LinkExtsForLine2_0", "wav,wma,mp2,mp3"},
        {"LinkExtsForLine3_0", "wmv"},
        {"PostFatalErrorsToPINWELL0", "Yes"},
        {"PostFatalErrorsToMAILCHUTE0", "Yes"},
        {"MAILCHUTEAddress0", kNoAddress},
        {"UniqueFile0", "No"},
        {"MakeSurePathsExist0", "Yes"},
        {"LockOutputFolders0", "Yes"},
        {"PrefixCharCount0", "0"},
        {"MinFileSize0", "100"},
        {"AudioFormat0", "1"},
        {"AudioBitrate0", "0"},
        {"AudioRatio0", "1"},
        {"WMAProfileName0", ""},
    };
    for (const auto& k : keys) {
        if (!m_execute && std::string(k.key) == "ExecuteBatsAfterMove0") continue;
        m_reads.String(kSection, k.key, k.value);
    }
    const std::string& file = m_reads.File();
    for (const char* key : {"Send Receipt Via Pinwell0", "LockSampleOnDecode0"}) m_ini.ReadBool(kSection, key, false, file);
    m_ini.ReadInt(kSection, "LockSampleRate0", 22050, file);
    for (const char* key : {"Abort-Failed-In-Out-Files0", "Delete-Failed-In-Out-Files0", "ID3-Tag-Mp3-Files0",
                            "Use-Tmp-Filename-During-Copy0", "Dont Recompress MP3 Files0",
                            "Change Spaces To Underscores In Filenames0",
                            "Disable Dest Size Checking For FTP Files0"})
        m_ini.ReadBool(kSection, key, false, file);
}

RouteList RouteReader::ReadRoutes() {
    RouteList routes;
    for (int n = 0;; ++n) {
        // The end-of-list marker is only a default: it is never written back.
        const std::string in = Trimmed(m_reads.Peek(kSection, RouteKey("In", n), kEndOfList));
        if (in == kEndOfList) break;
        if (in.empty()) continue;
        auto route = std::make_unique<CDirOptions>();
        route->m_nRouteNumber = n;
        route->m_inDir = Location::Parse(NormaliseInputFolder(in));
        m_reads.Write(kSection, RouteKey("In", n), route->m_inDir.Written());
        ReadRoute(n, *route);
        routes.push_back(std::move(route));
    }
    return routes;
}

void RouteReader::ReadRoute(int n, CDirOptions& route) {
    auto negative = [&](const char* key, const char* fallback) {
        return m_reads.NegativeBool(kSection, RouteKey(key, n), fallback);
    };
    auto integer = [&](const char* key, int fallback) { return m_reads.Integer(kSection, RouteKey(key, n), fallback); };

    ReadScanTwice(n, route);
    ReadOutputs(n, route);
    route.m_bExecuteBatsAfterMove = m_execute && negative("ExecuteBatsAfterMove", "No");
    route.m_bPostFatalErrorsToPinwell = negative("PostFatalErrorsToPINWELL", "No");
    route.m_bPostFatalErrorsToMailchute = negative("PostFatalErrorsToMAILCHUTE", "No");
    route.m_strMailchuteAddress = Trimmed(m_reads.Peek(kSection, RouteKey("MAILCHUTEAddress", n), kNoAddress));
    m_reads.Write(kSection, RouteKey("MAILCHUTEAddress", n), route.m_strMailchuteAddress);
    route.m_bUniqueFile = negative("UniqueFile", "No");
    route.m_bDontPrependNumber = negative("Dont_Prepend_Number_To_Unique_Filename", "No");
    route.m_bProcessDatFiles = negative("ProcessDatFiles", "No");
    route.m_bProcessTxtFiles = negative("ProcessTxtFiles", "No");
    route.m_bPrecreateTxtFiles = negative("PrecreateTxtFiles", "No");
    ReadPrecreateCommand(n, route);
    const std::string aliases = Trimmed(m_reads.Peek(kSection, RouteKey("Aliases", n), ""));
    m_reads.Write(kSection, RouteKey("Aliases", n), aliases);
    route.m_strAliases = SplitList(aliases);
    route.m_nSummaryLineOffset = integer("SummaryLineOffset", 0);
    route.m_nSummaryOffset = integer("SummaryOffset", 0);
    route.m_nSummaryLength = integer("SummaryLength", 150);
    route.m_nSummaryMinAdditionalSentenceLength = integer("SummaryMinAdditionalSentenceLength", 40);
    route.m_nSummaryMaxAdditionalSentenceLength = integer("SummaryMaxAdditionalSentenceLength", 40);
    const char* linkDefaults[] = {"jpg,bmp", "wav,wma,mp2,mp3", "wmv"};
    for (int line = 0; line < 3; ++line) {
        const std::string key = "LinkExtsForLine" + std::to_string(line + 1) + "_" + std::to_string(n);
        route.m_strLinkExts[line] = SplitList(AsciiLower(m_reads.String(kSection, key, linkDefaults[line])));
    }
    route.m_bDontFailIfFirstOutputSucceeds = negative("DontFailMoveIfFirstOutputSucceeds", "Yes");
    route.m_bMakeSurePathsExist = negative("MakeSurePathsExist", "No");
    route.m_bLockOutputFolders = negative("LockOutputFolders", "No");
    route.m_nPrefixCharCount = integer("PrefixCharCount", 0);
    integer("MinFileSize", 100);
    route.m_nAudioFormat = integer("AudioFormat", 1);
    route.m_nAudioBitrate = integer("AudioBitrate", 0);
    route.m_nAudioRatio = integer("AudioRatio", 1);
    route.m_strWmaProfileName = m_reads.String(kSection, RouteKey("WMAProfileName", n), "");
    ReadCachedKeys(n, route);
}

void RouteReader::ReadScanTwice(int n, CDirOptions& route) {
    const std::string value = AsciiLower(Trimmed(m_reads.Peek(kSection, RouteKey("ScanTwice", n), "Yes")));
    const char* written = "Yes";
    route.m_eScanTwice = ScanTwiceMode::always;
    if (value == "ftponly") {
        route.m_eScanTwice = ScanTwiceMode::ftpOnly;
        written = "FTPOnly";
    } else if (value == "no" || value == "false" || value == "off") {
        route.m_eScanTwice = ScanTwiceMode::never;
        written = "No";
    }
    m_reads.Write(kSection, RouteKey("ScanTwice", n), written);
}

void RouteReader::ReadOutputs(int n, CDirOptions& route) {
    const std::string value = m_reads.String(kSection, RouteKey("Out", n), "");
    for (const std::string& entry : SplitList(value)) route.m_destDirs.push_back(Location::Parse(NormaliseOutputFolder(entry)));
}

void RouteReader::ReadPrecreateCommand(int n, CDirOptions& route) {
    const std::string value = Trimmed(m_reads.Peek(kSection, RouteKey("PrecreateTxtFileCommand", n), "No"));
    route.m_nPrecreateCommand = kCmdAdd;
    route.m_strPrecreateCommand = "Add";
    for (const CommandWord& word : kCommandWords) {
        if (NamesEqual(value, word.word)) {
            route.m_nPrecreateCommand = word.code;
            route.m_strPrecreateCommand = word.canonical;
            break;
        }
    }
    m_reads.Write(kSection, RouteKey("PrecreateTxtFileCommand", n), route.m_strPrecreateCommand);
}

void RouteReader::ReadCachedKeys(int n, CDirOptions& route) {
    const std::string& file = m_reads.File();
    auto cached = [&](const char* key) { return m_ini.ReadBool(kSection, RouteKey(key, n), false, file); };
    route.m_bSendReceiptViaPinwell = cached("SendReceiptViaPinwell");
    route.m_bLockSampleOnDecode = cached("LockSampleOnDecode");
    route.m_nLockedSampleRate = m_ini.ReadInt(kSection, RouteKey("LockSampleRate", n), 22050, file);
    route.m_bAbortFailedFiles = cached("Abort-Failed-In-Out-Files");
    route.m_bDeleteFailedFiles = cached("Delete-Failed-In-Out-Files");
    route.m_bId3TagMp3Files = cached("ID3-Tag-Mp3-Files");
    route.m_bUseTmpFilenameDuringCopy = cached("Use-Tmp-Filename-During-Copy");
    route.m_bDontRecompressMP3Files = cached("Dont Recompress MP3 Files");
    route.m_bSpacesToUnderscores = cached("Change Spaces To Underscores In Filenames");
    route.m_bNoSizeCheckForFtp = cached("Disable Dest Size Checking For FTP Files");
}

}  // namespace pv
