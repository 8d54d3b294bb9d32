#pragma once

// The catalogue as JSON, for scripts:
//   {"format": "kestrel-catalogue", "version": 1,
//    "programs": [{"name", "description", "path", "icon", "added"[, "picture"]
//                  [, "audiences"]}, ...]}
// ("picture": the stored icon's bytes in base64, only for a program that has one;
// "audiences": a list of texts such as "group:staff", only for a program not meant for
// everyone, so that reading a program without it makes it everyone's)
// one program a line, in list order, so that files diff well and round trips are exact.
#include "catalogue/ProgramRecord.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>

#include <utility>

QByteArray catalogueToJson(const QList<ProgramRecord>& programs);

// Reads a file written by catalogueToJson or by hand: name and path are required,
// description, icon, added and picture (base64, at most 1 MB decoded) are optional texts,
// audiences an optional list of audiences (catalogue/ProgramAudience.h).
// On failure answers false with a message naming the line and column, or the entry
// ("program 4 \"Calc\": ...").
bool catalogueFromJson(const QByteArray& data, QList<ProgramRecord>& programs, QString& error);

// Largest file read, far above any real catalogue.
constexpr qint64 kMaxCatalogueJsonSize = 256 * 1024 * 1024;

// Any other JSON the tool writes, in the same layout as the catalogue's: "format" and
// "version" first, then each named list with one record a line, its fields in the order
// given. A field's value is a text, a whole number or a list of texts.
using JsonField = std::pair<const char*, QVariant>;
using JsonRecord = QList<JsonField>;
QByteArray listsToJson(const QString& format,
                       const QList<std::pair<const char*, QList<JsonRecord>>>& lists);
