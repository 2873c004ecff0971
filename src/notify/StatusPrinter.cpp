#include "notify/StatusPrinter.h"

#include <algorithm>

#include "notify/Product.h"
#include "notify/TextLines.h"
#include "notify/TimeStamp.h"

namespace pv {

namespace {

StatusLine Logged(std::string text) { return {std::move(text), true, {}}; }

// A copy that failed, or its rename into place: what went where, and why.
std::string CopyFailure(const char* what, const OutputFailed& failed) {
    return std::string("Unable to ") + what + " attached file " + failed.fileName +
           ".\nCopy of compressed output file failed.\nSource File: " + failed.source +
           "\nDestination File: " + failed.output + ". " + failed.cause;
}

}  // namespace

StatusLine StatusPrinter::Print(const ProgressEvent& event, std::time_t when) const {
    StatusLine line = std::visit([](const auto& typed) { return Words(typed); }, event);
    line.stamped = StatusTimeStamp(when) + ToCrLf(line.text);
    return line;
}

StatusLine StatusPrinter::Words(const StatusNote& note) { return {note.text, note.toStatusLog, {}}; }

StatusLine StatusPrinter::Words(const PassStarted&) { return Logged("Checking."); }

StatusLine StatusPrinter::Words(const FileFound& found) {
    return Logged("Copying " + found.inputFile + " FileSize: " + std::to_string(found.size) + ".");
}

// A size that could not be read shows as 0.
StatusLine StatusPrinter::Words(const OutputStarted& started) {
    return Logged("to " + started.output + " FileSize: " + std::to_string(std::max<int64_t>(0, started.size)) + ".");
}

StatusLine StatusPrinter::Words(const OutputDelivered& delivered) {
    return Logged("Success: Output FileSize: " + std::to_string(delivered.size) + ".");
}

StatusLine StatusPrinter::Words(const OutputFailed& failed) {
    switch (failed.step) {
        case OutputStep::makeFolder:
            return Logged("Unable to make the output folder " + failed.output + ". " + failed.cause);
        case OutputStep::checkName:
            return Logged("Unable to tell whether " + failed.output + " exists. " + failed.cause);
        case OutputStep::drawNumber:
            return Logged("Every unique number for " + failed.fileName + " is taken in " + failed.output + ".");
        case OutputStep::copy:
            return Logged(CopyFailure("transfer", failed));
        case OutputStep::renameIntoPlace:
            return Logged(CopyFailure("rename", failed));
    }
    return Logged(CopyFailure("transfer", failed));
}

StatusLine StatusPrinter::Words(const PassEnded&) { return {std::string("Waiting. ") + kVersionText, false, {}}; }

StatusLine StatusPrinter::Words(const FatalError& error) { return Logged("\nFATAL ERROR!!!\n" + error.text + "\n"); }

}  // namespace pv
