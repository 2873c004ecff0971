#pragma once
// "Is another program still writing this file?"  A read lease cannot be
// taken while any process has the file open for writing.
#include <string>

namespace pv::platform {

enum class WriteState { idle, beingWritten, unknown };

// Local and share paths only.  "unknown" when the file cannot be opened or
// the file system does not support leases.
WriteState ProbeWriters(const std::string& path);

}  // namespace pv::platform
