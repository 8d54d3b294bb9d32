#pragma once

#include "catalogue/CatalogueFile.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace fixture {

inline QMap<QString, QByteArray> snapshot(const QString& folder) // every file with its bytes
{
    QMap<QString, QByteArray> files;
    for (const QFileInfo& info : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden)) {
        QFile file(info.filePath());
        files.insert(info.fileName(), file.open(QIODevice::ReadOnly) ? file.readAll() : "?");
    }
    return files;
}

} // namespace fixture
