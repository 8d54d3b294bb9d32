-- The program catalogue. Text columns are never null; names compare and sort without
-- regard to letter case. Keys are never reused, so option rows left behind by a deleted
-- program cannot attach themselves to a later one.
CREATE TABLE Program (
    Program_Key INTEGER PRIMARY KEY AUTOINCREMENT,
    Program_Name TEXT NOT NULL DEFAULT '' COLLATE NOCASE,
    Program_Desc TEXT NOT NULL DEFAULT '',
    Program_Path TEXT NOT NULL DEFAULT '',
    Program_CustomIcon TEXT NOT NULL DEFAULT '',
    Program_UseDIcon INTEGER NOT NULL DEFAULT 0,
    Program_Added_Date TEXT NOT NULL DEFAULT ''
);

-- Holds every column the launcher lists, so the list is read in name order from the index
-- alone, front to back, not by a jump into the table for each row. The key after the
-- name keeps programs of the same name in the order they were added, as an index on the
-- name alone does; catalogues made with that narrower index read the same, only slower.
CREATE INDEX Program_Name_Index
    ON Program (Program_Name, Program_Key, Program_CustomIcon, Program_Path);

CREATE TABLE Program_Options (
    Program_Key INTEGER NOT NULL,
    Program_Option_Use_OpenWith INTEGER NOT NULL DEFAULT 0
);

CREATE INDEX Program_Options_Key_Index ON Program_Options (Program_Key);

-- Stored icons: the bytes of a program's icon file, so that a workstation without the file
-- shows the picture. A table of its own leaves Program as older readers know it; a writer
-- makes it in a catalogue made before it. Icon_Digest (SHA-1, hex) lets a reader find its
-- cached pictures without reading the bytes.
CREATE TABLE Program_Icon (
    Program_Key INTEGER PRIMARY KEY,
    Icon_Digest TEXT NOT NULL,
    Icon_Data BLOB NOT NULL
);

-- Audiences: who a program is meant for, one row each ("group:NAME", "user:NAME",
-- "host:GLOB"); a program without rows is for everyone. A table of its own leaves Program as
-- older readers know it; a writer makes it in a catalogue made before it. The key leads the
-- primary key, which serves as the index by program.
CREATE TABLE Program_Audience (
    Program_Key INTEGER NOT NULL,
    Audience TEXT NOT NULL,
    PRIMARY KEY (Program_Key, Audience)
);
