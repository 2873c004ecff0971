#pragma once
// Builds the route list from the numbered keys of section "MoveFiles".
#include <string>

#include "config/DirOptions.h"
#include "config/Ini.h"
#include "config/SettingsReads.h"

namespace pv {

class RouteReader {
public:
    RouteReader(SettingsReader& reads, CIni& ini, std::string workingFolder, bool execute)
        : m_reads(reads), m_ini(ini), m_workingFolder(std::move(workingFolder)), m_execute(execute) {}

    // Converts an old single-folder configuration once (into the first free
    // route number).
    void ConvertOldConfiguration();
    // Writes the keys of route 0 with their template defaults, so a new file
    // shows a complete first route.
    void WriteRouteZeroTemplate();
    // Reads routes 0, 1, 2, ... until the first missing "In%d"; an empty one
    // is skipped.
    RouteList ReadRoutes();

private:
    void ReadRoute(int n, CDirOptions& route);
    void ReadOutputs(int n, CDirOptions& route);
    void ReadScanTwice(int n, CDirOptions& route);
    void ReadPrecreateCommand(int n, CDirOptions& route);
    void ReadCachedKeys(int n, CDirOptions& route);
    int FirstFreeRouteNumber();

    SettingsReader& m_reads;
    CIni& m_ini;
    std::string m_workingFolder;
    bool m_execute;
};

// "%s%d": a route key name for route n.
std::string RouteKey(const char* name, int n);
// The input folder rule: credential forms get "/" after the credential part
// unless their path part ends with a separator; others get a separator.
std::string NormaliseInputFolder(std::string folder);
// The output rule for one trimmed entry of "Out%d".
std::string NormaliseOutputFolder(std::string folder);
// Splits at commas, trimming each entry; empty entries are dropped.
std::vector<std::string> SplitList(const std::string& text);

}  // namespace pv
