#include "tests/support/TestServer.h"

#include "catalogue/CatalogueFile.h"
#include "tests/support/Sql.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QUrl>
#include <QUrlQuery>
#include <atomic>

namespace testdb {

QString serverUri(QString* why)
{
    const QString uri = qEnvironmentVariable("KESTREL_TEST_POSTGRESQL");
    if (uri.isEmpty() && why)
        *why = qEnvironmentVariable("KESTREL_TEST_POSTGRESQL_ERROR",
                                    QStringLiteral("KESTREL_TEST_POSTGRESQL is not set"));
    return uri;
}

// Databases are made and dropped outside any transaction, which a location through a
// transaction pooler would give each statement.
static QString outsideTransactions(const QString& uri)
{
    return QString(uri).remove(QStringLiteral("&pool_mode=transaction"));
}

QString serverDatabaseUri(const QString& database, const QString& uri)
{
    QUrl url(uri);
    url.setPath(u'/' + database);
    return url.toString();
}

QString withQuery(const QString& uri, const QString& key, const QString& value)
{
    QUrl url(uri);
    QUrlQuery query(url);
    query.removeAllQueryItems(key);
    query.addQueryItem(key, value);
    url.setQuery(query);
    return url.toString();
}

int runControl(const QString& command, const QStringList& arguments)
{
    QProcess process;
    process.start(command, arguments);
    return process.waitForFinished(90000) ? process.exitCode() : -1;
}

Catalogue::Catalogue(const QString& engine, const QString& folder)
{
    if (engine == Sqlite) {
        mLocation = QDir(folder).filePath(QStringLiteral("Kestrel.mdb"));
        createCatalogue(mLocation);
        return;
    }
    static std::atomic<int> serial{0};
    mDatabase =
        QStringLiteral("kestrel_test_%1_%2").arg(QCoreApplication::applicationPid()).arg(++serial);
    sql(outsideTransactions(serverUri()), QStringLiteral("CREATE DATABASE %1").arg(mDatabase));
    mLocation = serverDatabaseUri(mDatabase);
    createCatalogue(mLocation);
}

Catalogue::~Catalogue()
{
    if (!mDatabase.isEmpty())
        sql(outsideTransactions(serverUri()),
            QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(mDatabase));
}

} // namespace testdb
