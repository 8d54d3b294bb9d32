#include "platform/database/DatabaseError.h"

#include "platform/database/Connection.h"

#include <QRegularExpression>

KestrelError databaseError(const QSqlError& error, const QString& what, const QString& source)
{
    bool ok = false;
    qint32 number = error.nativeErrorCode().toInt(&ok);
    const QString state = error.nativeErrorCode();
    if (state == QLatin1String("55P03")) {
        number = kDatabaseBusy;
    } else if (state.isEmpty() || state.startsWith(QLatin1String("08"))) {
        // A server never reached, or a connection that failed, says what a file that cannot
        // be opened says: 14. Another code that is no number (a SQLSTATE with letters) is
        // the engine's plain error, 1; never -1.
        number = 14;
    } else if (!ok) {
        number = 1;
    }
    QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    const QString code = QStringLiteral("(%1)").arg(error.nativeErrorCode());
    if (!error.nativeErrorCode().isEmpty() && text.endsWith(code))
        text.chop(code.size());
    static const QRegularExpression severity(QStringLiteral("^(ERROR|FATAL|PANIC):\\s+"));
    text = text.remove(severity);
    // Where in the server's own functions it happened says nothing to the user.
    if (const qsizetype context = text.indexOf(QStringLiteral("\nCONTEXT:")); context >= 0)
        text.truncate(context);
    // Nor does the statement's text with a caret under the place (LINE n: ... and ^).
    static const QRegularExpression statementEcho(QStringLiteral("\nLINE \\d+: [^\n]*\n[ ]*\\^"));
    text.remove(statementEcho);
    // The server's lines come indented (a tab before a hint): each line stands on its own.
    QStringList lines = text.split(u'\n');
    for (QString& line : lines)
        line = line.trimmed();
    lines.removeAll(QString());
    text = lines.join(u'\n');
    // A kept statement missing, or there twice: the session is shared by a pooler.
    if (error.nativeErrorCode() == QLatin1String("26000") ||
        error.nativeErrorCode() == QLatin1String("42P05"))
        text += QStringLiteral(" (Through a connection pooler in transaction mode, add "
                               "pool_mode=transaction to the catalogue's location.)");
    return KestrelError(number, source.isEmpty() ? databaseErrorSource() : source, what + text);
}

bool isCatalogueBusy(const KestrelError& error)
{
    // The server's numbers are SQLSTATEs: 42501 (permission denied) ends in SQLite's 5.
    if (error.source() == serverErrorSource())
        return error.number() == kDatabaseBusy;
    // SQLITE_LOCKED is 6; extended codes keep the primary one in their low byte.
    const qint32 primary = error.number() & 0xff;
    return error.number() > 0 && (primary == kDatabaseBusy || primary == 6);
}
