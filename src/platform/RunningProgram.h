#pragma once
// Facts about the running program itself: where its executable lives and
// what its environment says.
#include <string>

namespace pv::platform {

// The host path of the running executable (links resolved); empty when the
// system cannot tell.
std::string ExecutablePath();
// The folder of that executable with a trailing '/'; empty when unknown.
std::string ExecutableFolder();

// The value of an environment variable; empty when it is unset.
std::string EnvironmentValue(const char* name);
// The folder for temporary files: $TEMP, else $TMPDIR, else /tmp; without a
// trailing separator unless the variable has one.
std::string TemporaryFolder();

}  // namespace pv::platform
