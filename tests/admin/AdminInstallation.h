#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantMap>

// A throw-away installation for the administrator's tests: the folders "data" and "icons",
// a real "Default.ico", a real catalogue file and a settings file naming them.
class AdminInstallation
{
public:
    AdminInstallation();

    QString folder() const { return mDir.path(); }
    QString path(const QString& relative) const { return mDir.filePath(relative); }
    QString iniPath() const { return path("Kestrel.ini"); }
    QString databasePath() const { return path("data/Kestrel.mdb"); }

    // Rewrites the settings file; empty arguments mean the installation's own files.
    void writeSettings(const QString& databasePath = {}, const QString& defaultIcon = {});
    QString settingsValue(const QString& section, const QString& key) const;

    // Straight to the catalogue file, bypassing the program under test.
    void insertProgram(const QString& name, const QString& path, const QString& desc = {},
                       const QString& icon = {});
    void execSql(const QString& statement);
    QStringList programNames() const;
    // Every column of the first row of that exact name; empty when there is none.
    QVariantMap program(const QString& name) const;

private:
    QTemporaryDir mDir;
};
