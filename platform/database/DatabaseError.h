#pragma once

#include "platform/KestrelError.h"

#include <QSqlError>
#include <QString>

// The one conversion of an engine's error into the KestrelError the catalogue reports: the
// engine's own code as the number (-1 when it has none) and its own text as the description,
// after what (when given), e.g. "Cannot open the catalogue database \"x\": ".
// The server's texts lose their "ERROR:  " and the "(SQLSTATE)" that Qt adds after them.
KestrelError databaseError(const QSqlError& error, const QString& what = {},
                           const QString& source = {});
