#include "tests/admin/AdminInstallation.h"

#include "catalogue/CatalogueFile.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>

namespace {
// Runs body on a short-lived connection of its own, so no lock outlives the call.
template <typename Body> void withDatabase(const QString& file, Body body)
{
    const QString name = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
        db.setDatabaseName(file);
        if (!db.open())
            qFatal("cannot open %s", qPrintable(file));
        body(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

void mustExec(QSqlQuery& query)
{
    if (!query.exec())
        qFatal("%s", qPrintable(query.lastError().text()));
}
} // namespace

AdminInstallation::AdminInstallation()
{
    QDir(folder()).mkpath("data");
    QDir(folder()).mkpath("icons");
    QImage icon(32, 32, QImage::Format_ARGB32);
    icon.fill(Qt::darkCyan);
    if (!icon.save(path("Default.ico"), "ICO"))
        qFatal("cannot write Default.ico");
    createCatalogue(databasePath());
    writeSettings();
}

void AdminInstallation::writeSettings(const QString& databasePath, const QString& defaultIcon)
{
    QFile file(iniPath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write the settings file");
    const QString text = QString("[Database]\nDatabasePath=%1\n[General]\nRequireLogin=1\n"
                                 "ShowToolbar=1\nNumberOfClicks=1\nDefaultIcon=%2\n"
                                 "DefaultDialogIconPath=%3\nDefaultDialogDBPath=%4\n")
                             .arg(databasePath.isEmpty() ? this->databasePath() : databasePath,
                                  defaultIcon.isEmpty() ? path("Default.ico") : defaultIcon,
                                  path("icons"), path("data"));
    file.write(text.toUtf8());
}

QString AdminInstallation::settingsValue(const QString& section, const QString& key) const
{
    // Read by hand: QSettings gives "General" a meaning of its own.
    QFile file(iniPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QString current;
    for (const QString& line : QString::fromUtf8(file.readAll()).split('\n')) {
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith('[') && trimmed.endsWith(']'))
            current = trimmed.mid(1, trimmed.size() - 2);
        else if (current.compare(section, Qt::CaseInsensitive) == 0 &&
                 trimmed.section('=', 0, 0).trimmed().compare(key, Qt::CaseInsensitive) == 0)
            return trimmed.section('=', 1);
    }
    return {};
}

void AdminInstallation::insertProgram(const QString& name, const QString& path, const QString& desc,
                                      const QString& icon)
{
    withDatabase(databasePath(), [&](QSqlDatabase& db) {
        QSqlQuery query(db);
        query.prepare(
            "INSERT INTO Program (Program_Name, Program_Desc, Program_Path, "
            "Program_CustomIcon, Program_Added_Date) VALUES (COALESCE(?, ''), COALESCE(?, ''), "
            "COALESCE(?, ''), COALESCE(?, ''), '1/2/2024')");
        for (const QString& value : {name, desc, path, icon})
            query.addBindValue(value);
        mustExec(query);
    });
}

void AdminInstallation::execSql(const QString& statement)
{
    withDatabase(databasePath(), [&](QSqlDatabase& db) {
        QSqlQuery query(db);
        query.prepare(statement);
        mustExec(query);
    });
}

QStringList AdminInstallation::programNames() const
{
    QStringList names;
    withDatabase(databasePath(), [&](QSqlDatabase& db) {
        QSqlQuery query("SELECT Program_Name FROM Program ORDER BY Program_Key", db);
        while (query.next())
            names.append(query.value(0).toString());
    });
    return names;
}

QVariantMap AdminInstallation::program(const QString& name) const
{
    QVariantMap row;
    withDatabase(databasePath(), [&](QSqlDatabase& db) {
        QSqlQuery query(db);
        query.prepare("SELECT * FROM Program WHERE Program_Name = ? COLLATE BINARY");
        query.addBindValue(name);
        mustExec(query);
        if (query.next()) {
            const QSqlRecord record = query.record();
            for (int i = 0; i < record.count(); ++i)
                row.insert(record.fieldName(i), query.value(i));
        }
    });
    return row;
}
