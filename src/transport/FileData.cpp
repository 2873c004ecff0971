#include "transport/FileData.h"

namespace pv {

void CFileData::Reset() {
    work = WorkValues{};
    fileOptions = FileOptions{};
    ResetOptions();
}

void CFileData::ResetOptions() {
    options = AliasOptions{};
    templateState = TemplateState{};
}

}  // namespace pv
