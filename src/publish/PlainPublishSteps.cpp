#include "publish/PlainPublishSteps.h"

namespace pv {

Status PageOnlyLinks::PurgePage(Publication& publication, const std::string& name, int) {
    const Location page = publication.paths.storage.Join(name);
    if (!page.Problem().ok()) return Status::InvalidArgument("Cannot delete " + name + ": " + page.Problem().message());
    if (publication.output.ExistState(page) == platform::Existence::absent) return Status::OK();
    if (publication.output.Remove(page) == 0) return Status::OK();
    publication.reports.Note("Cannot delete " + page.Display() + ". " + publication.output.ErrorText());
    return Status::IoError("Cannot delete " + page.Display() + ".");
}

}  // namespace pv
