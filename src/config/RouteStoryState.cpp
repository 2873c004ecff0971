#include "config/RouteStoryState.h"

namespace pv {

RouteStoryState RouteStoryState::From(const CDirOptions& route) {
    RouteStoryState state;
    state.eolOverride = route.m_bEolOverride;
    state.eol = route.m_strEol;
    state.nbspOverride = route.m_bNbspOverride;
    state.nbsp = route.m_strNbsp;
    state.rss = route.m_bRss;
    state.linkOutputPath = route.m_strLinkOutputPath;
    state.dontPrependNumber = route.m_bDontPrependNumber;
    state.summaryOffset = route.m_nSummaryOffset;
    state.summaryLength = route.m_nSummaryLength;
    state.summaryMinAdditionalSentenceLength = route.m_nSummaryMinAdditionalSentenceLength;
    state.summaryMaxAdditionalSentenceLength = route.m_nSummaryMaxAdditionalSentenceLength;
    state.addSpaceToBlankLines = route.m_bAddSpaceToBlankLines;
    state.dontRecompressMp3Files = route.m_bDontRecompressMP3Files;
    state.uniqueFile = route.m_bUniqueFile;
    return state;
}

void RouteStoryState::ResetForAliasRead() {
    eolOverride = false;
    eol.clear();
    nbspOverride = false;
    nbsp.clear();
    rss = false;
    linkOutputPath.clear();
}

}  // namespace pv
