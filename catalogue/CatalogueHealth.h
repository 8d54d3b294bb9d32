#pragma once

// Whether the catalogue's programs can still be launched and their icons shown. Reads
// files only (never the catalogue), so it runs on any thread; one object per thread.
#include "catalogue/ProgramRecord.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

class CatalogueHealth
{
public:
    // Documents count as openable when a desktop entry in the user's and the system's
    // applications folders (or a mimeapps.list there) names their type.
    CatalogueHealth();
    explicit CatalogueHealth(const QStringList& applicationDirs);

    // Why the program's path cannot be launched, or empty when it can: missing, an
    // executable the user may not run, a desktop entry whose program is not installed,
    // a document that no installed application opens.
    QString pathProblem(const QString& path);
    // Why a custom icon cannot be shown, or empty (also when there is none).
    QString iconProblem(const QString& icon);
    // Both, path first, joined; empty for a healthy program. A picture the catalogue stores
    // for the program is judged in the place of its icon file.
    QString problem(const ProgramRecord& program);

private:
    bool typeHasHandler(const QString& mimeType);
    void loadHandlers();

    QStringList mApplicationDirs;
    bool mHandlersLoaded = false;
    QSet<QString> mHandledTypes;
    QHash<QString, QString> mIconProblems; // icon files are often shared: checked once
};

struct BrokenProgram
{
    QString name;
    QString problem;
};

// Every program of the list that has a problem, in list order.
QList<BrokenProgram> findBrokenPrograms(const QList<ProgramRecord>& programs,
                                        CatalogueHealth& health);

// Largest icon file taken for a picture; larger ones are refused rather than decoded.
constexpr qint64 kMaxIconFileSize = 16 * 1024 * 1024;
