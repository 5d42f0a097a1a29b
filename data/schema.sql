-- The card database Date_D.dat. The build turns this file into the empty database delivered with
-- the program; the program itself never creates a table or a column.
--
-- Numeric columns refuse anything that is not a number. Text equality on style and label names
-- ignores letter case. Guests and labels carry a row identity of their own (the first column), so
-- "ORDER BY 1" on labels is insertion order and a guest is never mistaken for another one saved in
-- the same second.

PRAGMA user_version = 1;

BEGIN;

CREATE TABLE Lists (
    ListID   INTEGER PRIMARY KEY NOT NULL
             CHECK (typeof(ListID) = 'integer' AND ListID BETWEEN 1 AND 32767),
    ListName TEXT NOT NULL UNIQUE COLLATE NOCASE
);

CREATE TABLE Main (
    LabelID      INTEGER PRIMARY KEY AUTOINCREMENT,
    ListID       INTEGER NOT NULL CHECK (typeof(ListID) = 'integer'),
    Keywords     TEXT NOT NULL DEFAULT '' COLLATE NOCASE,
    KeyValue     TEXT NOT NULL DEFAULT '',
    KeyX         REAL NOT NULL DEFAULT 0 CHECK (typeof(KeyX) IN ('integer', 'real')),
    KeyY         REAL NOT NULL DEFAULT 0 CHECK (typeof(KeyY) IN ('integer', 'real')),
    KeyFont      TEXT,
    KeyFontSize  TEXT,
    KeyFontStyle TEXT,
    KeyDate      TEXT NOT NULL DEFAULT (strftime('%Y-%m-%d %H:%M:%f', 'now', 'localtime'))
);
CREATE INDEX Main_ListID ON Main (ListID);
CREATE INDEX Main_Keywords ON Main (Keywords);

CREATE TABLE GuestXY (
    ListID       INTEGER PRIMARY KEY NOT NULL CHECK (typeof(ListID) = 'integer'),
    keyx         REAL NOT NULL DEFAULT 0 CHECK (typeof(keyx) IN ('integer', 'real')),
    keyy         REAL NOT NULL DEFAULT 0 CHECK (typeof(keyy) IN ('integer', 'real')),
    keyfont      TEXT,
    keyfontsize  TEXT,
    keyfontstyle TEXT
);

CREATE TABLE Guests (
    GuestID    INTEGER PRIMARY KEY AUTOINCREMENT,
    ListID     INTEGER NOT NULL CHECK (typeof(ListID) = 'integer'),
    Name       TEXT NOT NULL DEFAULT '',
    Sex        TEXT CHECK (Sex IS NULL OR Sex IN ('男', '女')),
    Connection TEXT NOT NULL DEFAULT '',
    Job        TEXT NOT NULL DEFAULT '',
    Contact    TEXT NOT NULL DEFAULT '',
    Remark     TEXT NOT NULL DEFAULT '',
    SaveTime   TEXT NOT NULL DEFAULT (strftime('%Y-%m-%d %H:%M:%S', 'now', 'localtime'))
);
CREATE INDEX Guests_ListID ON Guests (ListID);

COMMIT;
