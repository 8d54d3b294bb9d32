// libFuzzer target for the catalogue location parser. Besides "no crash, no hang" it checks
// what the messages promise: the shown form keeps no password in its user information or
// its query (whatever the key's case or encoding), stays short, and parses again.
#include "platform/database/DatabaseLocation.h"
#include "tests/fuzz/FuzzCheck.h"

#include <QRegularExpression>
#include <QUrl>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const DatabaseLocation location = DatabaseLocation::parse(text);
    const QString shown = location.display();
    (void)location.serverDescription();
    check(shown.size() <= 300, "the shown location is not shortened");
    if (!location.isServer())
        return 0;
    if (shown.size() == 300)
        return 0; // shortened: its parts are no longer where they were
    QString authority = shown.section(QStringLiteral("://"), 1);
    if (const qsizetype end = authority.indexOf(QRegularExpression(QStringLiteral("[/?#]")));
        end >= 0)
        authority.truncate(end);
    check(!authority.section(u'@', 0, -2).contains(u':'), "a password in the user information");
    const QString query = shown.section(u'?', 1).section(u'#', 0, 0);
    for (const QString& item : query.split(u'&'))
        check(!QUrl::fromPercentEncoding(item.toUtf8())
                   .contains(QStringLiteral("password"), Qt::CaseInsensitive),
              "a password parameter shown");
    if (location.problem.isEmpty())
        check(!location.carriesSecret && !location.database.isEmpty(),
              "a location with a password or no database accepted");
    (void)DatabaseLocation::parse(shown).display();
    return 0;
}
