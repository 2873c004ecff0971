#pragma once
// Index pages (IndexPageUpdater.h) and the story index of a storage folder.
//
// An index page is never changed in place.  The new page - the old one
// with the story's link line above every marker line, or a new one made
// from the index template - is written under a private hidden name beside
// it and put in its place only once it is complete: on this host's folders
// by one rename over the old page; on an FTP server by renaming it to
// "zzQMDBIndexTemp", deleting the old page and renaming "zzQMDBIndexTemp"
// to the page.  An update cut short between those two leaves the page
// missing and "zzQMDBIndexTemp" complete, and the next update takes it as
// the page before anything else.
//
// A page that already holds the link line is left as it is: it is read,
// and nothing is written (most updates of the archive's year, month and
// day indexes are such).  A page without a marker line cannot take the
// link: that is reported, and the update fails.
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "publish/IndexPageUpdater.h"
#include "publish/PublishSteps.h"
#include "publish/TemplateFiles.h"

namespace pv {

class IndexPages final : public IndexPageUpdater, public StoryIndexer {
public:
    static constexpr const char* kMarkerLine = "<!--Quillmark Add new links before this line -->";
    static constexpr const char* kLeftoverName = "zzQMDBIndexTemp";
    static constexpr const char* kStoryIndexName = "Index.htm";
    static constexpr const char* kStoryIndexTemplate = "StoryIndexTemplate.htm";
    static constexpr const char* kStoryIndexLinkTemplate = "StoryIndexLinkTemplate.htm";

    // workingFolder ends with a separator (the stock templates lie in its
    // "Pressvane\Templates\").
    IndexPages(FileAccess& files, const platform::Clock& clock, std::string workingFolder);

    bool UpdateIndexPage(Publication& publication, const Location& indexPage, const std::string& indexTemplate,
                         const std::string& linkTemplate) override;
    // The index of the story's storage folder.
    Status AddToStoryIndex(Publication& publication) override;

private:
    struct Update;
    enum class Insertion { inserted, alreadyThere, noMarker };

    bool TakeLeftover(Update& update);
    bool MakeNewPage(Update& update, const std::string& indexTemplate);
    bool MakeLinkLine(Update& update, const std::string& indexTemplate, const std::string& linkTemplate);
    bool ReadPage(Update& update);
    static Insertion WithLink(const Update& update, std::string& text);
    bool WriteReplacement(Update& update, const std::string& text);
    bool PutInPlace(Update& update);
    bool Fail(Update& update, const std::string& text);

    FileAccess& m_files;
    const platform::Clock& m_clock;
    TemplateFiles m_templates;
};

}  // namespace pv
