#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Splits a script of SQL statements into statements, one at a time, as the engine's own
// statement splitter does: a ';' ends a statement only outside quotes ('', "", ``, []),
// comments (--, /* */), dollar-quoted bodies ($$ ... $$, $tag$ ... $tag$) and the
// BEGIN ... END body of a CREATE TRIGGER. Statements come back without their ';', trimmed;
// comments between statements are dropped.
QStringList splitSqlStatements(const QString& script);

// Where the statement's ? placeholders are: outside quotes ('', ""), comments and
// dollar-quoted bodies, as the engine reads them.
QList<qsizetype> sqlPlaceholders(const QString& statement);
