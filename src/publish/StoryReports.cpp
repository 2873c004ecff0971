#include "publish/StoryReports.h"

namespace pv {

StoryReports::StoryReports(WireMessages& fatalErrors, Reporter& reporter, const CDirOptions& route, std::string slug)
    : m_fatalErrors(fatalErrors), m_reporter(reporter), m_route(route), m_slug(std::move(slug)) {}

void StoryReports::Fatal(const std::string& text) { m_fatalErrors.PostFatalError(&m_route, m_slug, text); }

Status StoryReports::Fatal(const Status& failure) {
    Fatal(failure.detail().empty() ? failure.message() : failure.message() + "\n" + failure.detail());
    return failure;
}

void StoryReports::Note(const std::string& text) { m_reporter.Status(text, false); }
void StoryReports::Log(const std::string& text) { m_reporter.Status(text, true); }

}  // namespace pv
