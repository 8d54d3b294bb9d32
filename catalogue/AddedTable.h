#pragma once

// Tables added beside Program after catalogues were in use (Program_Icon, Program_Audience).
// A catalogue made before one reads as holding no rows of it; a writer makes it when it
// first stores one, and new catalogues have it from their schema.
#include <QString>

class Connection;

// Whether the catalogue open on connection has table, readable by its user (a role granted
// its rights before the table was made reads as before); a metadata query.
bool addedTableExists(const Connection& connection, const QString& table);
// The statement of the schemas that makes table on either engine, "IF NOT EXISTS" when
// asked.
QString addedTableStatement(const QString& table, bool server, bool ifNotExists = false);
// Makes table where it is missing (on a server, granted to the catalogue's roles where they
// exist, and counted by the change stamp). Throws KestrelError saying that the catalogue
// needs upgrading, made before what (such as "icons were stored in it"), when the user may
// not make it.
void createAddedTable(const Connection& connection, const QString& table, const QString& what);
