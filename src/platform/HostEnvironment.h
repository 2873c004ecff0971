#pragma once
// What the platform layer keeps between calls: the path map (drive table,
// share root) and the index of folder names used to look names up without
// regard to case.  The service makes one at start-up and installs it before
// its threads start; every platform function that takes a path as the
// operator wrote it then maps it through the installed one.  A test installs
// its own (ScopedHostEnvironment).
//
// With none installed, paths map through an empty map (drive and share
// paths are refused) and a name is looked up by reading its folder each
// time.
#include <mutex>
#include <string>

#include "platform/FolderCaseIndex.h"
#include "platform/HostPath.h"

namespace pv::platform {

class HostEnvironment {
public:
    HostEnvironment() = default;
    explicit HostEnvironment(PathMapSettings map) : m_map(std::move(map)) {}
    HostEnvironment(const HostEnvironment&) = delete;
    HostEnvironment& operator=(const HostEnvironment&) = delete;

    // Set from the settings before any path that names a drive or a share
    // is used.
    void SetPathMap(const PathMapSettings& map);
    PathMapSettings PathMap() const;
    // The host folder of a drive letter (either case); false when unmapped.
    bool DriveFolder(char letter, std::string& folder) const;
    // The share root; empty when none is set.
    std::string ShareRoot() const;

    FolderCaseIndex& Names() { return m_names; }

    // The environment platform functions use; null when none is installed.
    static HostEnvironment* Installed();
    // Installs env (null: none) and returns the one installed before.
    static HostEnvironment* Install(HostEnvironment* env);

private:
    mutable std::mutex m_mapMutex;
    PathMapSettings m_map;
    FolderCaseIndex m_names;
};

// Installs an environment for as long as it lives, then puts back the one
// installed before.  Scopes nest: the last one made goes first.
class ScopedHostEnvironment {
public:
    explicit ScopedHostEnvironment(HostEnvironment& env) : m_previous(HostEnvironment::Install(&env)) {}
    ~ScopedHostEnvironment() { HostEnvironment::Install(m_previous); }
    ScopedHostEnvironment(const ScopedHostEnvironment&) = delete;
    ScopedHostEnvironment& operator=(const ScopedHostEnvironment&) = delete;

private:
    HostEnvironment* m_previous;
};

// One piece of work in a few folders, such as relaying one file to one
// output: taking the lock, drawing a number, copying, unlocking.  While a
// batch lives, each folder's names are checked against the folder once, at
// the first lookup that needs them; later lookups use what was seen then,
// with this process's own changes applied.  A name another program gives a
// file in the meantime (in other letter case than ours) is seen by the next
// batch.  Batches may nest; the outermost one counts.
class LookupBatch {
public:
    explicit LookupBatch(HostEnvironment* env = HostEnvironment::Installed()) : m_env(env) {
        if (m_env) m_env->Names().BeginBatch();
    }
    ~LookupBatch() {
        if (m_env) m_env->Names().EndBatch();
    }
    LookupBatch(const LookupBatch&) = delete;
    LookupBatch& operator=(const LookupBatch&) = delete;

private:
    HostEnvironment* m_env;
};

}  // namespace pv::platform
