#pragma once

#include "tests/support/Fakes.h"

#include <QColor>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantList>

// A throw-away installation: a real catalogue data/Kestrel.mdb, Default.ico, icons/ and a
// Kestrel.ini naming them, loaded into the program-wide settings. The program-wide
// catalogue object is released (and made writable) on both ends.
class InstallationFixture
{
public:
    InstallationFixture();
    ~InstallationFixture();
    InstallationFixture(const InstallationFixture&) = delete;
    InstallationFixture& operator=(const InstallationFixture&) = delete;

    QString path(const QString& relative) const { return mDir.filePath(relative); }
    QString db() const { return path(QStringLiteral("data/Kestrel.mdb")); }
    QString ini() const { return path(QStringLiteral("Kestrel.ini")); }

    // Rewrites Kestrel.ini; empty arguments name the installation's own files.
    void writeIni(const QString& database = {}, const QString& icon = {}) const;
    // The value of a key in Kestrel.ini as the file holds it (keys are unique across sections).
    QString iniValue(const QString& key) const;
    // Through the catalogue object, which stores the values trimmed.
    void add(const QString& name, const QString& programPath, const QString& icon = {},
             const QString& desc = {});
    // Straight to the file on a connection of its own (untrimmed rows, triggers, deletes);
    // answers the first column of every row. Fails the process on an SQL error.
    QStringList sql(const QString& statement, const QVariantList& values = {}) const;
    QStringList names() const
    {
        return sql(QStringLiteral("SELECT Program_Name FROM Program ORDER BY Program_Key"));
    }

    static void writeIcon(const QString& file, QColor colour, const char* format = "PNG");

private:
    QTemporaryDir mDir;
};

// Each recorded message in one line, for comparing whole sequences: "title|text|icon", and
// "|YesNo" for a question.
QStringList described(const MessageBoxRecorder& recorder);
