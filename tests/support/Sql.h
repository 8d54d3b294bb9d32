#pragma once

#include <QString>
#include <QVariantList>

// Runs one statement, values bound, on a connection of the test's own to the catalogue at
// location (a SQLite file, made when missing), bypassing the catalogue code: untrimmed rows,
// triggers, deletes behind its back. Answers the first column of every row; any SQL error
// fails the test process.
QVariantList sql(const QString& location, const QString& statement,
                 const QVariantList& values = {});
