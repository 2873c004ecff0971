#pragma once
// What a relay receipt says about one delivered output: its name and size,
// the output's text tags (a local WAV output) and the input's cart chunk.
#include <string>

#include "notify/Receipts.h"
#include "transport/FileAccess.h"

namespace pv {

// outputPath: as delivered, credentials included; sourcePath: the local file
// the output was made from, before any conversion.
RelayReceipt GatherRelayReceipt(FileAccess& files, const std::string& outputPath, const std::string& sourcePath);

}  // namespace pv
