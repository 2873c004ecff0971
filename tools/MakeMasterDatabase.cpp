// Makes the master archive database from its schema, for the build:
//   make-master-database SCHEMA.sql OUTPUT
// The database is written under OUTPUT.tmp and renamed to OUTPUT when every
// statement of the schema ran, so a failed run leaves no half database.
#include <sqlite3.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

namespace {

struct CloseConnection {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};

int Fail(const std::string& what, sqlite3* db = nullptr) {
    std::fprintf(stderr, "make-master-database: %s%s%s\n", what.c_str(), db ? ": " : "", db ? sqlite3_errmsg(db) : "");
    return 1;
}

// Runs every statement of the script in turn.
bool RunScript(sqlite3* db, const std::string& script) {
    const char* next = script.c_str();
    while (*next) {
        sqlite3_stmt* statement = nullptr;
        const char* rest = nullptr;
        if (sqlite3_prepare_v2(db, next, -1, &statement, &rest) != SQLITE_OK) return false;
        next = rest;
        if (!statement) continue;  // a comment or blank stretch at the end
        int rc = SQLITE_ROW;
        while (rc == SQLITE_ROW) rc = sqlite3_step(statement);
        sqlite3_finalize(statement);
        if (rc != SQLITE_DONE) return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return Fail("usage: make-master-database SCHEMA.sql OUTPUT");
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) return Fail(std::string("cannot read ") + argv[1]);
    std::stringstream schema;
    schema << in.rdbuf();

    const std::string output = argv[2];
    const std::string temporary = output + ".tmp";
    std::remove(temporary.c_str());
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(temporary.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    std::unique_ptr<sqlite3, CloseConnection> db(raw);
    if (rc != SQLITE_OK) return Fail("cannot create " + temporary, db.get());
    if (!RunScript(db.get(), schema.str())) {
        const int failed = Fail(std::string("cannot apply ") + argv[1], db.get());
        db.reset();
        std::remove(temporary.c_str());
        return failed;
    }
    if (sqlite3_close_v2(db.release()) != SQLITE_OK) return Fail("cannot close " + temporary);
    if (std::rename(temporary.c_str(), output.c_str()) != 0) return Fail("cannot rename " + temporary + " to " + output);
    return 0;
}
