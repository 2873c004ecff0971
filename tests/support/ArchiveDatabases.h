#pragma once
// Archive databases for tests: the master database the build made, and the
// sqlite3 command-line tool, which reads (and for set-up writes) databases
// apart from the service's own code.
#include <string>

namespace pv::test {

// The build's Master.mdb.
std::string MasterDatabase();
// Copies it to where the service looks: workingFolder (ending in "/") +
// "Pressvane/Templates/Master.mdb".
void InstallMasterDatabase(const std::string& workingFolder);

// What the sqlite3 tool prints for sql on database, opened read-only: a
// line per row ("\n" after each), columns separated by "|", an empty field
// (NULL) as "NULL".  A failure of the tool fails the test (its words are
// returned).
std::string SqliteRows(const std::string& database, const std::string& sql);
// The same with the database writable, for setting a test up.
void SqliteRun(const std::string& database, const std::string& sql);

}  // namespace pv::test
