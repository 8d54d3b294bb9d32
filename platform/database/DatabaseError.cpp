#include "platform/database/DatabaseError.h"

#include "platform/database/Connection.h"

KestrelError databaseError(const QSqlError& error, const QString& what)
{
    bool ok = false;
    const qint32 number = error.nativeErrorCode().toInt(&ok);
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return KestrelError(ok ? number : -1, databaseErrorSource(), what + text);
}
