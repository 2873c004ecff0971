#include "publish/FolderAliasOptions.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "config/ProfileFile.h"
#include "platform/Wildcard.h"
#include "publish/StoryAliases.h"
#include "transport/FileNames.h"

namespace pv {

namespace {

// The shapes of the table's appliers, kept short so each entry fits a line.
using Value = const std::string&;
using Target = FolderAliasTarget&;
using Apply = void (*)(Value value, Target target);

struct OptionEntry {
    std::string_view key;
    Apply apply;
};

CFileData::AliasOptions& Options(FolderAliasTarget& target) { return target.story.options; }

void ShowStatus(FolderAliasTarget& target, const std::string& text) { target.reporter.Status(text, true); }

void SetOutputFilename(const std::string& value, FolderAliasTarget& target) {
    Options(target).outputFilename = value;
    if (Options(target).outputExtension.empty()) return;
    ShowStatus(target, "Output_File_Extension and Output_Filename are mutually exclusive options.");
    ShowStatus(target, "Output_File_Extension will be ignored.");
    Options(target).outputExtension.clear();
}

void SetOutputExtension(const std::string& value, FolderAliasTarget& target) {
    Options(target).outputExtension = value;
    if (Options(target).outputFilename.empty()) return;
    ShowStatus(target,
               "Output_File_Extension and Output_Filename are mutually exclusive options.\nOutput_Filename will be "
               "ignored.");
    Options(target).outputFilename.clear();
}

void SetReplaceFile(const std::string&, FolderAliasTarget& target) {
    Options(target).replaceFile = true;
    if (!Options(target).modifyFile) return;
    ShowStatus(target, "Replace_File and Modify_File are mutually exclusive options.\nModify_File will be ignored.");
    Options(target).modifyFile = false;
}

void SetModifyFile(const std::string&, FolderAliasTarget& target) {
    Options(target).modifyFile = true;
    if (!Options(target).replaceFile) return;
    ShowStatus(target, "Replace_File and Modify_File are mutually exclusive options.\nReplace_File will be ignored.");
    Options(target).replaceFile = false;
}

// Each piece between the commas, as written; empty pieces name nothing.  A
// piece that cannot be an alias is shown and left out.
void AddAliases(const std::string& value, FolderAliasTarget& target) {
    size_t start = 0;
    while (start <= value.size()) {
        const size_t comma = std::min(value.find(',', start), value.size());
        const std::string piece = value.substr(start, comma - start);
        std::string why;
        if (!piece.empty() && AddStoryAlias(target.story.work, piece, &why) == AliasAdded::refused)
            ShowStatus(target, "The folder alias \"" + AliasForDisplay(piece) + "\" named by the \"aliases\" " +
                                   "option of " + target.story.work.alias + " in DBFolder.dat cannot be used: " + why +
                                   ".");
        start = comma + 1;
    }
}

// The three linked-file flags are set together; the last option decides.
void SetLinkedFiles(FolderAliasTarget& target, bool copy, bool dontCopy, bool deleteAfterCopy) {
    Options(target).copyLinkedFiles = copy;
    Options(target).dontCopyLinkedFiles = dontCopy;
    Options(target).deleteLinkedFilesAfterCopy = deleteAfterCopy;
}

void SetConfirmation(const std::string& value, FolderAliasTarget& target) {
    const bool both = platform::EqualsIgnoringCase(value, "both");
    Options(target).receiptByFile = both || platform::EqualsIgnoringCase(value, "file");
    Options(target).receiptByEmail = both || platform::EqualsIgnoringCase(value, "email");
}

std::string WithLeadingDot(const std::string& extension) {
    return extension.empty() || extension.front() == '.' ? extension : "." + extension;
}

std::string WithSeparator(std::string folder) {
    AppendPathSeparator(folder);
    return folder;
}

void NoEffect(const std::string&, FolderAliasTarget&) {}

// In the order the keys are tested; a key appears once.
constexpr auto kOptions = std::to_array<OptionEntry>({
    {"output_filename", SetOutputFilename},
    {"output_file_extension", SetOutputExtension},
    {"convert_text", NoEffect},
    {"replace_file", SetReplaceFile},
    {"modify_file", SetModifyFile},
    {"no_index", [](Value, Target t) { Options(t).noIndex = true; }},
    {"replace_ordered_entry", [](Value, Target t) { Options(t).replaceOrderedEntry = true; }},
    {"ordered_entry", [](Value v, Target t) { Options(t).orderedEntry = LeadingInt(v); }},
    {"audio_format", [](Value v, Target t) { Options(t).audioFormat = LeadingInt(v); }},
    {"audio_bitrate", [](Value v, Target t) { Options(t).audioBitrate = LeadingInt(v); }},
    {"audio_ratio", [](Value v, Target t) { Options(t).audioRatio = LeadingInt(v); }},
    {"userid", [](Value v, Target t) { Options(t).userId = v; }},
    {"password", [](Value v, Target t) { Options(t).password = v; }},
    {"dont_purge_old_linked_files", [](Value, Target t) { Options(t).dontPurgeOldLinkedFiles = true; }},
    {"unique_file", [](Value, Target t) { t.route.uniqueFile = true; }},
    {"dont_prepend_number_to_unique_filename", [](Value, Target t) { t.route.dontPrependNumber = true; }},
    {"aliases", AddAliases},
    {"audio_to_prepend",
     [](Value v, Target t) {
         Options(t).audioToPrepend = v;
         Options(t).prependAudio = true;
     }},
    {"audio_prepend_silence", [](Value v, Target t) { Options(t).audioPrependSilence = LeadingInt(v); }},
    {"append_prepended_audio", [](Value, Target t) { Options(t).appendPrependedAudio = true; }},
    {"audio_append_silence", [](Value v, Target t) { Options(t).audioAppendSilence = LeadingInt(v); }},
    {"wma_profile_filename", [](Value v, Target t) { Options(t).wmaProfileFilename = v; }},
    {"template_name",
     [](Value v, Target t) {
         Options(t).templateName = v;
         t.story.templateState.expansionEnabled = false;
     }},
    {"move_first_links_to_top", [](Value, Target t) { Options(t).moveFirstLinksToTop = true; }},
    {"copy_all_links_before_text", [](Value, Target t) { SetLinkedFiles(t, true, false, false); }},
    {"wholabel", NoEffect},
    {"sluglabel", NoEffect},
    {"datelabel", NoEffect},
    {"showlabel", NoEffect},
    {"timelabel", NoEffect},
    {"writerlabel", NoEffect},
    {"commandlabel", NoEffect},
    {"categorylabel", NoEffect},
    {"nextbroadcastfilelabel", NoEffect},
    {"user1label", NoEffect},
    {"user2label", NoEffect},
    {"user3label", NoEffect},
    {"user4label", NoEffect},
    {"user5label", NoEffect},
    {"user6label", NoEffect},
    {"user7label", NoEffect},
    {"user8label", NoEffect},
    {"user9label", NoEffect},
    {"texttemplatename", [](Value v, Target t) { Options(t).textTemplateName = v; }},
    {"linktemplatename", [](Value v, Target t) { Options(t).linkTemplateName = v; }},
    {"use_slug_for_filename", [](Value, Target t) { Options(t).useSlugForFilename = true; }},
    {"dont_modify_attachment_filenames", [](Value, Target t) { Options(t).dontModifyAttachmentFilenames = true; }},
    {"overwrite_attachment_files", [](Value, Target t) { t.story.fileOptions.overwriteAttachmentFiles = true; }},
    {"prepend_date_to_attachment_filenames",
     [](Value, Target t) { t.story.fileOptions.prependDateToAttachmentFilenames = true; }},
    {"prepend_date_to_attachment_filenames_yyyy-mm-dd-",
     [](Value, Target t) { t.story.fileOptions.prependDashedDateToAttachmentFilenames = true; }},
    {"templateextensionforextensionlessfiles",
     [](Value v, Target t) { Options(t).extensionlessTemplateExt = WithLeadingDot(v); }},
    {"usenumberedoutputfilenamesforattachments",
     [](Value, Target t) { Options(t).useNumberedOutputFilenamesForAttachments = true; }},
    {"minfilesize", [](Value v, Target t) { t.story.fileOptions.minFileSize = LeadingInt(v); }},
    {"backuppath", [](Value v, Target t) { Options(t).backupPath = WithSeparator(v); }},
    {"linkoutputpath", [](Value v, Target t) { t.route.linkOutputPath = WithSeparator(v); }},
    {"copy_dat_file", [](Value, Target t) { Options(t).copyDatFile = true; }},
    {"use_original_filename", [](Value, Target t) { Options(t).useOriginalFilename = true; }},
    {"delete_linked_files_after_copy", [](Value, Target t) { SetLinkedFiles(t, true, false, true); }},
    {"dont_copy_linked_files", [](Value, Target t) { SetLinkedFiles(t, false, true, false); }},
    {"confirmation", SetConfirmation},
    {"summaryoffset", [](Value v, Target t) { t.route.summaryOffset = LeadingInt(v); }},
    {"summarylength", [](Value v, Target t) { t.route.summaryLength = LeadingInt(v); }},
    {"summaryminadditionalsentencelength",
     [](Value v, Target t) { t.route.summaryMinAdditionalSentenceLength = LeadingInt(v); }},
    {"summarymaxadditionalsentencelength",
     [](Value v, Target t) { t.route.summaryMaxAdditionalSentenceLength = LeadingInt(v); }},
    {"addspacetoblanklines", [](Value, Target t) { t.route.addSpaceToBlankLines = true; }},
    {"eol",
     [](Value v, Target t) {
         t.route.eolOverride = true;
         t.route.eol = v;
     }},
    {"nbsp",
     [](Value v, Target t) {
         t.route.nbspOverride = true;
         t.route.nbsp = v;
     }},
    {"rss", [](Value, Target t) { t.route.rss = true; }},
    {"dontrecompressmp3files", [](Value, Target t) { t.route.dontRecompressMp3Files = true; }},
});

}  // namespace

bool ApplyFolderAliasOption(const FolderAliasOption& option, FolderAliasTarget& target) {
    for (const OptionEntry& entry : kOptions) {
        if (entry.key != option.key) continue;
        entry.apply(option.value, target);
        return true;
    }
    return false;
}

}  // namespace pv
