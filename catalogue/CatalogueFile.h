#pragma once

#include <QString>
#include <QStringList>

// Making catalogue files, for kestrel-catalogue and for tests. Neither program makes one.

// The text of catalogue/schema.sql, and its statements one by one.
QString catalogueSchema();
QStringList catalogueSchemaStatements();

// Writes an empty catalogue (the two tables, no rows) to path. Refuses to write over an
// existing file, and leaves nothing behind when it fails. Throws KestrelError.
void createCatalogue(const QString& path);
