#pragma once

#include "platform/KestrelError.h"

#include <QSqlError>
#include <QString>

// SQLITE_BUSY: another connection holds the lock the statement waited for.
inline constexpr qint32 kDatabaseBusy = 5;

// Whether an error of either engine says that another program holds the catalogue locked
// just now (SQLite's busy or locked, extended codes included; the server's lock wait).
bool isCatalogueBusy(const KestrelError& error);

// The one conversion of an engine's error into the KestrelError the catalogue reports: the
// engine's own code as the number (-1 when it has none) and its own text as the description,
// after what (when given), e.g. "Cannot open the catalogue database \"x\": ".
// The server's SQLSTATE is the number when it is all digits; a lock wait that ran out there
// (55P03) carries SQLite's busy code instead, so that both engines say "busy" alike.
// The server's texts lose their "ERROR:  ", the "(SQLSTATE)" that Qt adds after them, the
// CONTEXT lines and the echo of the statement ("LINE n: ..." with its caret).
KestrelError databaseError(const QSqlError& error, const QString& what = {},
                           const QString& source = {});
