#pragma once
// What folder alias options change about a route while the service runs.
// The route itself (CDirOptions) is configuration and stays as the settings
// file gave it; the owner of the routes keeps one of these beside each route
// for the whole run, made from the route's configured values, and hands it to
// every story publication of that route.
//
// Three lifetimes:
//   - reset at every read of the alias file: the line-break, blank and RSS
//     texts and the folder for linked files, so they always come from the
//     alias being published;
//   - kept: once an alias turns one of these on or sets it, the value stands
//     for every later story of the route, under any alias, until the service
//     stops;
//   - the unique-naming switch, which has its own rule (see uniqueFile).
#include <string>

#include "config/DirOptions.h"

namespace pv {

struct RouteStoryState {
    // --- reset at every read of the alias file ---------------------------------
    // "eol": the line-break text replaces the usual one in story text.
    bool eolOverride = false;
    std::string eol;
    // "nbsp": the blank text replaces the usual one (it may be empty).
    bool nbspOverride = false;
    std::string nbsp;
    // "rss": story text goes into an RSS feed; the line-break and blank texts
    // are escaped ("<" and ">" become "&lt;" and "&gt;") after the read.
    bool rss = false;
    // "linkoutputpath": the folder linked files are copied to, with its
    // separator; empty for the usual place.  May hold [YYYY], [MM] and [DD],
    // filled with the date of the read.
    std::string linkOutputPath;

    // --- kept for the rest of the run -----------------------------------------
    // "dont_prepend_number_to_unique_filename": unique output names are not
    // prefixed with their number.
    bool dontPrependNumber = false;
    // "summaryoffset", "summarylength", "summaryminadditionalsentencelength",
    // "summarymaxadditionalsentencelength": how the story summary is cut.
    int summaryOffset = 0;
    int summaryLength = 0;
    int summaryMinAdditionalSentenceLength = 0;
    int summaryMaxAdditionalSentenceLength = 0;
    // "addspacetoblanklines": a blank line of story text gets a space.
    bool addSpaceToBlankLines = false;
    // "dontrecompressmp3files": MP3 files are relayed as they are.
    bool dontRecompressMp3Files = false;

    // --- the unique-naming switch ---------------------------------------------
    // Whether the next publication gets a unique numbered output name.  It
    // starts as the route's "UniqueFile" setting.  Reading an alias turns it
    // on ("unique_file", or a fixed output name that the alias neither
    // replaces, modifies nor takes from the original name) and never off; the
    // publisher turns it off for an alias that replaces or modifies its page,
    // and PublicationSucceeded() after every successful publication.  A
    // publication that fails leaves it as it is for the next one.
    bool uniqueFile = false;

    // The state a route starts the run with: its configured values.
    static RouteStoryState From(const CDirOptions& route);

    // Before every read of the alias file: the values of the first group
    // back to off and empty.
    void ResetForAliasRead();

    // After a story of the route was published.
    void PublicationSucceeded() { uniqueFile = false; }
};

}  // namespace pv
