-- The master archive database, Pressvane\Templates\Master.mdb: every folder
-- alias's archive database starts as a copy of it.  The build makes it from
-- this file (tools/MakeMasterDatabase.cpp); a newsroom may add columns,
-- indexes and views to its copy, as long as these tables and columns stay.
--
-- Text is UTF-8.  Dates are ISO 8601 text ("2026-12-09"), times too
-- ("10:30:00", cue times with milliseconds "00:00:07.500"); an empty date
-- or time is NULL.  "ID" numbers the rows in the order they were added.

PRAGMA user_version = 1;

-- The storage folder of each month that has stories.
CREATE TABLE "Path" (
    "ID"                   INTEGER PRIMARY KEY,
    "YearAndMonthArchived" TEXT NOT NULL,  -- "2026\12"
    "Path"                 TEXT NOT NULL   -- ends with a separator
);
CREATE INDEX "PathByMonth" ON "Path" ("YearAndMonthArchived");

-- One row per published story.
CREATE TABLE "Text" (
    "ID"                   INTEGER PRIMARY KEY,
    "TextID"               INTEGER,        -- the story's text ID, shared with its "Audio" rows
    "Slug"                 TEXT,
    "Category"             TEXT,
    "Whom"                 TEXT,
    "Writer"               TEXT,
    "CreationDate"         DATE,
    "ModificationDate"     DATE,
    "Show"                 TEXT,
    "CreationTime"         TIME,
    "NextBroadcastStory"   TEXT,
    "TextFilename"         TEXT,
    "Keywords"             TEXT,
    "YearAndMonthArchived" TEXT,           -- "2026\12"
    "DayArchived"          TEXT            -- "09"
);
CREATE INDEX "TextByTextID" ON "Text" ("TextID");

-- One row per audio cut a story links to.
CREATE TABLE "Audio" (
    "ID"                   INTEGER PRIMARY KEY,
    "TextID"               INTEGER,
    "LinkedFilename"       TEXT,
    "Description"          TEXT,
    "OutCue"               TEXT,
    "LastPlayed"           TEXT,
    "TimesPlayed"          INTEGER,
    "SavedBy"              TEXT,
    "Category"             TEXT,
    "Status"               TEXT,
    "Artist"               TEXT,
    "StartDate"            DATE,
    "StopDate"             DATE,
    "IntroTime"            TIME,
    "OutroTime"            TIME,
    "IntroFade"            TEXT,
    "OutroFade"            TEXT,
    "CDat"                 TEXT,
    "MDat"                 TEXT
);
CREATE INDEX "AudioByTextID" ON "Audio" ("TextID");
