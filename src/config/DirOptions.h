#pragma once
// One input folder route: an input folder, its outputs and everything the
// service does with what arrives there.  Built by the settings reader and not
// changed afterwards: what folder alias options change about a route while
// the service runs is kept beside it in a RouteStoryState.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "config/StoryCommand.h"
#include "transport/Location.h"

namespace pv {

enum class ScanTwiceMode { never, always, ftpOnly };

// The order in which a pass takes the files of a folder ("PublishOrder"):
// as listed ("OS"), oldest first ("Oldest") or newest first ("Newest").
enum class PublishOrder { listing, oldestFirst, newestFirst };

// How a route converts the audio it relays ("AudioFormat%d" and
// "WMAProfileName%d"): not at all (format 0), to WMA through a profile (a
// profile name is set), with an operator's program (formats 1000 and up, from
// section "Audio Formats"), or with the compressor to the WAV format tag the
// number names (85 MPEG Layer 3, 80 MPEG Layer 2, 1 PCM...).
enum class AudioConversion { none, wma, externalProgram, compressor };
inline constexpr int kAudioFormatNone = 0;
inline constexpr int kAudioFormatMpegLayer3 = 85;
inline constexpr int kFirstExternalAudioFormat = 1000;

class CDirOptions {
public:
    // The n of the route's "In%d" key: backups of its pages are kept apart
    // per route under it ("Backups\IN%d\").
    int m_nRouteNumber = 0;
    Location m_inDir;                  // input folder, ends with a separator
    std::vector<Location> m_destDirs;  // output folders, each ends with a separator
    bool m_bExecuteBatsAfterMove = false;
    bool m_bProcessDatFiles = false;
    bool m_bProcessTxtFiles = false;
    bool m_bPrecreateTxtFiles = false;
    bool m_bUniqueFile = false;
    bool m_bDontPrependNumber = false;
    std::vector<std::string> m_strAliases;
    int m_nSummaryLineOffset = 0;
    int m_nSummaryOffset = 0;
    int m_nSummaryLength = 150;
    int m_nSummaryMaxAdditionalSentenceLength = 40;
    int m_nSummaryMinAdditionalSentenceLength = 40;
    std::vector<std::string> m_strLinkExts[3];  // link lines 1 to 3, lower case
    ScanTwiceMode m_eScanTwice = ScanTwiceMode::always;
    bool m_bPostFatalErrorsToPinwell = false;
    bool m_bPostFatalErrorsToMailchute = false;
    std::string m_strMailchuteAddress;
    bool m_bDontFailIfFirstOutputSucceeds = false;
    bool m_bMakeSurePathsExist = true;
    bool m_bLockOutputFolders = true;
    int m_nPrefixCharCount = 0;
    int m_nAudioFormat = 0;
    int m_nAudioBitrate = 0;
    int m_nAudioRatio = 0;
    std::string m_strWmaProfileName;
    bool m_bSendReceiptViaPinwell = false;
    int m_nPrecreateCommand = kCmdAdd;
    std::string m_strPrecreateCommand = "Add";
    std::string m_strLinkOutputPath;
    bool m_bLockSampleOnDecode = false;
    int m_nLockedSampleRate = 22050;
    bool m_bAbortFailedFiles = false;
    bool m_bDeleteFailedFiles = false;
    bool m_bAddSpaceToBlankLines = false;
    bool m_bEolOverride = false;
    std::string m_strEol;
    bool m_bRss = false;
    bool m_bNbspOverride = false;
    std::string m_strNbsp;
    bool m_bId3TagMp3Files = false;
    bool m_bUseTmpFilenameDuringCopy = false;
    bool m_bDontRecompressMP3Files = false;
    bool m_bSpacesToUnderscores = false;
    bool m_bNoSizeCheckForFtp = false;

    AudioConversion Conversion() const {
        if (m_nAudioFormat == kAudioFormatNone) return AudioConversion::none;
        if (!m_strWmaProfileName.empty()) return AudioConversion::wma;
        if (m_nAudioFormat >= kFirstExternalAudioFormat) return AudioConversion::externalProgram;
        return AudioConversion::compressor;
    }
};

using RouteList = std::vector<std::unique_ptr<CDirOptions>>;

}  // namespace pv
