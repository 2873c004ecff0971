#pragma once
// The global settings of story publishing: how a story that arrives is read,
// retried, held and reported.
#include <string>
#include <vector>

namespace pv {

struct StoryOptions {
    int linesToIgnoreOnTopOfStory = 0;  // "LinesToIgnoreOnTopOfStory": body lines skipped after the header
    bool replaceSpacesWithDashes = true;
    bool backupOutputFiles = true;
    bool useUnicodeConversions = false;
    bool transferAllLinks = false;
    std::vector<std::string> copyExtensions;  // lower case
    std::vector<std::string> copyPaths;
    std::string defaultPlayPath;
    bool sendRestoralAttempts = false;
    std::string restoralAttemptsEmailTo;
    bool sendRestoralFailures = false;
    std::string restoralFailuresEmailTo;
    // Section "ONHOLD": a story whose first alias failed moves to the input
    // folder's "OnHold\" (else it is tried again next pass), with a mail
    // and a message file when asked.
    bool putRetriesOnHold = true;
    bool warnViaPinwell = true;
    std::string pinwellPath;
    bool warnViaEmail = false;
    std::string onHoldEmailTo;
    // A story waiting longer than the delay time-out (minutes) is mailed
    // about on every attempt.
    bool emailDelays = false;
    int delayTimeoutMinutes = 1;
    std::string delayEmailTo;
    // "Alias Retry": further attempts of a failed alias, and the pause before each.
    int aliasRetryCount = 0;
    int aliasRetryDelayMs = 120000;
};

}  // namespace pv
