#pragma once
// Links: every reference in a story body becomes a piece of page written
// from a link template, a small template chosen by the type of the file the
// reference names.
//
// The type is the extension of the reference's bare name (after its last
// "/" or "\"), with its dot, in lower case; an extension of more than four
// characters with its dot counts as none, and none takes the alias's
// templateextensionforextensionlessfiles.  With the link template
// "Link.htm", a copied reference to cut.wav is written from "Linkwav.htm",
// one to photo.jpg from "Linkjpg.htm"; a reference that is not copied (a
// web page, a file linked where it is) from "Linkhtm.ALT" and the like.  A
// template missing where the alias keeps its templates is copied there from
// the template store (the working folder's "Pressvane\Templates\"); when
// the type's template is nowhere, the link template itself serves.  With
// neither, the page gets "[ name-FileTemplateNotFound ]" and the copies this
// publication made of the file go again (only those: never a page that
// happens to share the name).
//
// A link template's markers are the macros of the text templates (the "AF"
// macros then describe the linked file), "If"/"Else"/"EndIf", and the
// LinkedFilename macros (LinkedFilenameValue).  A marker without " -->" or
// a name that is none of them is reported and left out; the link is still
// written.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "publish/TemplateBlocks.h"
#include "publish/TemplateFiles.h"
#include "transport/FileAccess.h"
#include "transport/FtpFile.h"
#include "transport/Location.h"

namespace pv {

// The text after the last "/" or "\" (the whole name when there is none
// after its first character).
std::string BareName(std::string_view name);

// The reference's type as the template choice takes it: ".wav", ".jpg";
// the extensionless type for none.
std::string ReferenceType(std::string_view name, std::string_view extensionlessType);

// The template for a type: the link template's folder and title, the type
// without its dot, then the link template's extension (copied) or ".ALT"
// (not copied).  Empty when the link template name has no extension.
std::string TypeTemplateName(std::string_view linkTemplateName, std::string_view type, bool copied);

// What the LinkedFilename macros show of one reference.  output and the low
// output are link texts (StoryReferences::Output); the low output is asked
// for only by the "Lo" macros, since it may transfer a file.
struct LinkedFile {
    std::string original;  // the reference as the story writes it
    std::string output;
    bool copied = false;
    std::function<std::string()> lowOutput;
};

// The value of a LinkedFilename macro (names without regard to case), or
// nothing when the name is none of them:
//   LinkedFilenameOriginal     the reference as written
//   LinkedFilename             the output, without its folder when copied
//   LinkedFilenameNoExt        that, cut before its last "."
//   LinkedFilenameExtOnly      that, from its last "." on
//   LinkedFilenameTitle        the output's name without folder and extension
//   LinkedFilenameNoPath       the output's name without folder
//   LinkedFilenameNoServer     the output without drive, scheme or host
//   LinkedFilenameLo, LinkedFilenameNoPathLo, LinkedFilenameTitleLo,
//   LinkedFilenameNoServerLo   the same of the low output
//   "LinkedFilename Chars a,b"       characters a to b of the output
//   "LinkedFilenameTitle Chars a,b"  characters a to b of its name
// Separators are shown as a web form or a Windows path wants them (see
// NormaliseSeparators); the Chars forms show the text as it is.
std::optional<std::string> LinkedFilenameValue(std::string_view name, const LinkedFile& file);

// The link template a Story block has open: it stays open from one
// reference to the next while they use the same template.
class OpenLinkTemplate {
public:
    explicit OpenLinkTemplate(FileAccess& files) : m_file(files) {}
    ~OpenLinkTemplate() { Close(); }
    OpenLinkTemplate(const OpenLinkTemplate&) = delete;
    OpenLinkTemplate& operator=(const OpenLinkTemplate&) = delete;

    // At the start of the template at `where`; false when it cannot be opened.
    bool Rewind(const Location& where);
    void Close();
    CFTPFile& File() { return m_file; }
    // The template open now (valid after a successful Rewind).
    const Location& Where() const { return *m_open; }

private:
    CFTPFile m_file;
    std::optional<Location> m_open;
};

class LinkWriter {
public:
    // workingFolder ends with a separator (the template store lies in it).
    LinkWriter(FileAccess& files, std::string workingFolder);

    // Writes the link of one reference into fill.output.  False when no link
    // template could be opened (reported; the error text is in the page).
    // linkTemplateName: the story's link template, as the engine located it.
    bool WriteLink(TemplateFill& fill, OpenLinkTemplate& open, const std::string& linkTemplateName,
                   const std::string& referenceName);

private:
    bool OpenTemplate(TemplateFill& fill, OpenLinkTemplate& open, const std::string& name);
    void WriteTemplate(TemplateFill& fill, OpenLinkTemplate& open, const std::string& referenceName);

    TemplateFiles m_templates;
};

}  // namespace pv
