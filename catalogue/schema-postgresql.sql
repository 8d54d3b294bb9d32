-- The program catalogue on a PostgreSQL server: the tables of the catalogue file, with what
-- the server needs to behave as the file does.

-- Names compare and sort as the file's NOCASE names do: ASCII letters folded, then byte
-- order (the column's "C" collation), whatever the database's own locale.
CREATE FUNCTION kestrel_nocase(name text) RETURNS text
    LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE
    AS $$ SELECT translate(name, 'ABCDEFGHIJKLMNOPQRSTUVWXYZ', 'abcdefghijklmnopqrstuvwxyz'); $$;

-- Keys come from a sequence and are never reused; a key written explicitly (a copied
-- catalogue keeps its keys) moves the sequence past it, so later adds never collide.
CREATE SEQUENCE Program_Key_Sequence AS bigint;

CREATE TABLE Program (
    Program_Key bigint PRIMARY KEY DEFAULT nextval('Program_Key_Sequence'),
    Program_Name text COLLATE "C" NOT NULL DEFAULT '',
    Program_Desc text NOT NULL DEFAULT '',
    Program_Path text NOT NULL DEFAULT '',
    Program_CustomIcon text NOT NULL DEFAULT '',
    Program_UseDIcon integer NOT NULL DEFAULT 0,
    Program_Added_Date text NOT NULL DEFAULT ''
);

ALTER SEQUENCE Program_Key_Sequence OWNED BY Program.Program_Key;

CREATE FUNCTION kestrel_program_key() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
    IF NEW.Program_Key IS NULL THEN
        NEW.Program_Key := nextval('Program_Key_Sequence');
    ELSIF NEW.Program_Key >= (SELECT last_value FROM Program_Key_Sequence) THEN
        PERFORM setval('Program_Key_Sequence', NEW.Program_Key);
    END IF;
    RETURN NEW;
END;
$$;

CREATE TRIGGER Program_Key_Trigger BEFORE INSERT OR UPDATE OF Program_Key ON Program
    FOR EACH ROW EXECUTE FUNCTION kestrel_program_key();

-- Serves the lookups by name and the list in name order, its columns read from the index.
CREATE INDEX Program_Name_Index ON Program (kestrel_nocase(Program_Name), Program_Key)
    INCLUDE (Program_Name, Program_CustomIcon, Program_Path);

CREATE TABLE Program_Options (
    Program_Key bigint NOT NULL,
    Program_Option_Use_OpenWith integer NOT NULL DEFAULT 0
);

CREATE INDEX Program_Options_Key_Index ON Program_Options (Program_Key);

-- Stored icons: the bytes of a program's icon file, so that a workstation without the file
-- shows the picture. A table of its own leaves Program as older readers know it; a writer
-- makes it in a catalogue made before it. Icon_Digest (SHA-1, hex) lets a reader find its
-- cached pictures without reading the bytes.
CREATE TABLE Program_Icon (
    Program_Key bigint PRIMARY KEY,
    Icon_Digest text NOT NULL,
    Icon_Data bytea NOT NULL
);

-- Audiences: who a program is meant for, one row each ("group:NAME", "user:NAME",
-- "host:GLOB"); a program without rows is for everyone. A table of its own leaves Program as
-- older readers know it; a writer makes it in a catalogue made before it. The key leads the
-- primary key, which serves as the index by program.
CREATE TABLE Program_Audience (
    Program_Key bigint NOT NULL,
    Audience text COLLATE "C" NOT NULL,
    PRIMARY KEY (Program_Key, Audience)
);

-- The change stamp. Every statement that writes a table the launchers show raises the count
-- once, so a running launcher learns with one small read whether to read the list again.
-- The function runs as the catalogue's owner: writers need no right on the table, readers
-- are granted SELECT on it. A table the launchers show gets its trigger in one line.
-- Writers add this block to a catalogue made without it (catalogue/CatalogueChange).
-- change stamp: begin
CREATE TABLE Catalogue_Change (Change_Count bigint NOT NULL);
INSERT INTO Catalogue_Change (Change_Count) VALUES (0);
CREATE FUNCTION kestrel_count_change() RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER
    SET search_path FROM CURRENT AS $$
BEGIN
    UPDATE Catalogue_Change SET Change_Count = Change_Count + 1;
    RETURN NULL;
END;
$$;
CREATE TRIGGER Program_Change AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON Program FOR EACH STATEMENT EXECUTE FUNCTION kestrel_count_change();
CREATE TRIGGER Program_Options_Change AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON Program_Options FOR EACH STATEMENT EXECUTE FUNCTION kestrel_count_change();
-- The stored icons and the audiences count too, where their tables are there (a writer that
-- makes one later runs this again).
DO $$ BEGIN
IF to_regclass('program_icon') IS NOT NULL
   AND NOT EXISTS (SELECT FROM pg_trigger WHERE tgname = 'program_icon_change') THEN
  CREATE TRIGGER Program_Icon_Change AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON Program_Icon FOR EACH STATEMENT EXECUTE FUNCTION kestrel_count_change();
END IF;
IF to_regclass('program_audience') IS NOT NULL
   AND NOT EXISTS (SELECT FROM pg_trigger WHERE tgname = 'program_audience_change') THEN
  CREATE TRIGGER Program_Audience_Change AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON Program_Audience FOR EACH STATEMENT EXECUTE FUNCTION kestrel_count_change();
END IF;
END $$;
-- change stamp: end
