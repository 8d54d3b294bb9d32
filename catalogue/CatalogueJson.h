#pragma once

// The catalogue as JSON, for scripts:
//   {"format": "kestrel-catalogue", "version": 1,
//    "programs": [{"name", "description", "path", "icon", "added"[, "picture"]}, ...]}
// ("picture": the stored icon's bytes in base64, only for a program that has one)
// one program a line, in list order, so that files diff well and round trips are exact.
#include "catalogue/ProgramRecord.h"

#include <QByteArray>
#include <QList>
#include <QString>

QByteArray catalogueToJson(const QList<ProgramRecord>& programs);

// Reads a file written by catalogueToJson or by hand: name and path are required,
// description, icon, added and picture (base64, at most 1 MB decoded) are optional texts.
// On failure answers false with a message naming the line and column, or the entry
// ("program 4 \"Calc\": ...").
bool catalogueFromJson(const QByteArray& data, QList<ProgramRecord>& programs, QString& error);

// Largest file read, far above any real catalogue.
constexpr qint64 kMaxCatalogueJsonSize = 256 * 1024 * 1024;
