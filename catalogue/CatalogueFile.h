#pragma once

#include <QString>
#include <QStringList>

class Connection;

// Making and copying catalogues, for kestrel-catalogue and for tests. Neither program
// makes one.

// The schema of a catalogue file (catalogue/schema.sql) or, for server, of a catalogue on a
// PostgreSQL server (catalogue/schema-postgresql.sql); and its statements one by one.
QString catalogueSchema(bool server = false);
QStringList catalogueSchemaStatements(bool server = false);

// The one test of whether an open database is a catalogue: throws the engine's error
// (naming the first missing table) unless it holds both tables.
void requireCatalogueTables(const Connection& connection);

// Makes an empty catalogue (the two tables, no rows) at location. A file: refuses to write
// over an existing one, and leaves nothing behind when it fails. A PostgreSQL URI: the
// database must exist (it is never created here) and hold no catalogue; the schema goes in
// as one transaction. Throws KestrelError.
void createCatalogue(const QString& location);

// Copies every program and option row, keys, dates, icons and audiences included, from the
// catalogue at source to the one at destination (files or URIs, either way), in one
// transaction at the destination. A destination holding programs is refused unless replace is
// given, and then its rows are replaced. Throws KestrelError; the destination is unchanged then.
struct CopyResult
{
    qsizetype programs = 0;
    qsizetype options = 0;
};
CopyResult copyCatalogue(const QString& source, const QString& destination, bool replace);

// The SQL an administrator runs to make the two roles of a catalogue on a server: a
// reader for launchers and a writer for administrators.
QString catalogueRolesSql(const QString& database);
