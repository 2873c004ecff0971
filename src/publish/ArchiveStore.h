#pragma once
// Where archive databases live.  A folder alias that archives its stories
// has one database file; the store opens it (making it from the master
// database first when it is missing) and gives the operations the archive
// needs, whatever the database behind them.  SqliteArchiveStore keeps each
// database in an SQLite file; a server database shared by several machines
// can stand behind the same interface.
//
// Texts given to and returned by the store are Windows-1252 bytes, as
// everywhere else in the service; the store converts them for its database.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Status.h"
#include "publish/ArchiveValues.h"
#include "transport/Location.h"

namespace pv {

// The row of table "Text" of one published story.
struct StoryRow {
    std::string slug;
    std::string category;
    std::string whom;
    std::string writer;
    FieldText creationDate;      // ISO 8601 date, or empty
    FieldText modificationDate;  // ISO 8601 date, or empty
    std::string show;
    FieldText creationTime;  // ISO 8601 time, or empty
    std::string nextBroadcastStory;
    std::string textFilename;
    std::string keywords;
    std::string yearAndMonthArchived;  // "2026\12"
    std::string dayArchived;           // "09"
};

// A row of table "Audio": one audio cut a story links to.
struct AudioRow {
    std::string linkedFilename;
    std::string description;
    std::string outCue;
    std::string lastPlayed;
    int64_t timesPlayed = 0;
    std::string savedBy;
    std::string category;
    std::string status;
    std::string artist;
    FieldText startDate;
    FieldText stopDate;
    FieldText introTime;
    FieldText outroTime;
    std::string introFade;
    std::string outroFade;
    std::string cDat;
    std::string mDat;
};

// How the storage folder of a month was found.
enum class MonthRowSource {
    found,     // the month has its row
    lastRow,   // a row was added for it, with the path of the last row
    firstRow,  // the table was empty: a row was added with the first path
};

// One open archive database.  A failure has been reported (the database's
// own words on status lines); its message is the operation's error text.
class ArchiveDatabase {
public:
    virtual ~ArchiveDatabase() = default;

    // The storage folder of the month yearAndMonth ("2026\12"), from table
    // "Path".  A month without a row gets one: with the path of the last
    // row (a separator appended when it has none), or with firstPath when
    // the table is empty.  Two writers never add the same month twice.
    virtual Status MonthFolder(const std::string& yearAndMonth, const std::string& firstPath, std::string& folder,
                               MonthRowSource& source) = 0;

    // The rows of one publication, in one transaction: the story's row
    // (when there is one) and its audio rows, all with one new text ID,
    // which no row of the database had before.  Either all of them are
    // stored or none.
    virtual Status AddPublication(const StoryRow* story, const std::vector<AudioRow>& audio, int64_t& textId) = 0;
};

class ArchiveStore {
public:
    virtual ~ArchiveStore() = default;
    // Opens the database file, first making it as a copy of master when it
    // does not exist.  A copy never replaces a database that appeared in the
    // meantime (another instance made it: that one is opened), and a file
    // that is not a database of this store is never written.  A failure has
    // been reported on status lines where the database gave words; its
    // message says what failed, its detail why.
    virtual Status Open(const Location& database, const Location& master, std::unique_ptr<ArchiveDatabase>& opened) = 0;
};

}  // namespace pv
