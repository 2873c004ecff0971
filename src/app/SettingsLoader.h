#pragma once
// Turns the settings file into the options of each component.  The keys are
// read - and written back - in three rounds, in the order operators know
// from the settings file: what the start-up needs first (host paths, window,
// heartbeat, watchdog), then the global keys and the routes, then the rest.
// Status lines about the settings go to the reporter as they are read.
#include <string>

#include "app/CommandLine.h"
#include "app/ServiceOptions.h"
#include "config/DirOptions.h"
#include "config/Ini.h"
#include "platform/Reporter.h"

namespace pv {

class SettingsLoader {
public:
    SettingsLoader(const StartupOptions& startup, CIni& ini, Reporter& reporter);

    // "<working folder>Pressvane\Pressvane.ini".
    const std::string& SettingsFile() const { return m_file; }
    static std::string SettingsFileOf(const StartupOptions& startup);

    void ReadStartupKeys(ServiceOptions& options);
    void ReadMainKeys(ServiceOptions& options, RouteList& routes);
    void ReadLaterKeys(ServiceOptions& options);

private:
    const StartupOptions& m_startup;
    CIni& m_ini;
    Reporter& m_reporter;
    std::string m_file;
};

}  // namespace pv
