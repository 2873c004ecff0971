#include "support/ArchiveDatabases.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "support/AudioTestSupport.h"

namespace pv::test {

namespace {

std::string Sqlite(const std::string& database, const std::string& sql, bool readOnly) {
    std::vector<std::string> arguments{"/usr/bin/sqlite3", "-batch", "-bail", "-noheader", "-list",
                                       "-separator", "|", "-nullvalue", "NULL"};
    if (readOnly) arguments.push_back("-readonly");
    arguments.push_back(database);
    arguments.push_back(sql);
    const ToolResult result = RunTool(arguments);
    EXPECT_EQ(result.exitCode, 0) << "sqlite3 " << database << " \"" << sql << "\": " << result.output;
    return result.output;
}

}  // namespace

std::string MasterDatabase() { return PRESSVANE_MASTER_DATABASE; }

void InstallMasterDatabase(const std::string& workingFolder) {
    const std::filesystem::path templates = std::filesystem::path(workingFolder) / "Pressvane" / "Templates";
    std::filesystem::create_directories(templates);
    std::filesystem::copy_file(MasterDatabase(), templates / "Master.mdb",
                               std::filesystem::copy_options::overwrite_existing);
}

std::string SqliteRows(const std::string& database, const std::string& sql) { return Sqlite(database, sql, true); }

void SqliteRun(const std::string& database, const std::string& sql) { Sqlite(database, sql, false); }

}  // namespace pv::test
