#include "catalogue/CatalogueJson.h"

#include "catalogue/ProgramAudience.h"
#include "catalogue/StoredIcon.h"
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

namespace {
void appendString(QByteArray& out, const QString& text)
{
    out += '"';
    qsizetype plain = 0; // start of the run of characters written as they are
    const auto flush = [&](qsizetype end) {
        // Whole runs, so that surrogate pairs are converted together.
        out += QStringView(text).sliced(plain, end - plain).toUtf8();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text.at(i).unicode();
        if (u >= 0x20 && u != '"' && u != '\\')
            continue;
        flush(i);
        plain = i + 1;
        switch (u) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            out += "\\u00" + QByteArray::number(u, 16).rightJustified(2, '0');
        }
    }
    flush(text.size());
    out += '"';
}

void appendTexts(QByteArray& out, const QStringList& texts)
{
    out += '[';
    for (qsizetype t = 0; t < texts.size(); ++t) {
        if (t > 0)
            out += ", ";
        appendString(out, texts.at(t));
    }
    out += ']';
}

// The parser turns an escaped half of a surrogate pair into other text (eating the next
// character, or keeping invalid UTF-16). Each one becomes an escaped NUL here, of the same
// length, so that the fields refuse it as they refuse a NUL.
QByteArray markLoneSurrogates(QByteArray data)
{
    const auto unitAt = [&data](qsizetype at) {
        bool ok = false;
        const int unit = at + 6 <= data.size() && data.at(at) == '\\' && data.at(at + 1) == 'u'
                             ? data.mid(at + 2, 4).toInt(&ok, 16)
                             : -1;
        return ok ? unit : -1;
    };
    bool inString = false;
    for (qsizetype i = 0; i < data.size(); ++i) {
        if (data.at(i) == '"')
            inString = !inString;
        if (!inString || data.at(i) != '\\')
            continue;
        const int unit = unitAt(i);
        if (unit < 0) {
            ++i; // an escape of one character, "\\" and "\"" among them
            continue;
        }
        const int low = unitAt(i + 6);
        if (QChar::isHighSurrogate(char32_t(unit)) && QChar::isLowSurrogate(char32_t(low)))
            i += 6;
        else if (QChar::isSurrogate(char32_t(unit)))
            data.replace(i, 6, "\\u0000");
        i += 5;
    }
    return data;
}

const char* const kFields[] = {"name", "description", "path", "icon", "added"};

QString ProgramRecord::*member(int field)
{
    static QString ProgramRecord::*const members[] = {
        &ProgramRecord::name, &ProgramRecord::description, &ProgramRecord::path,
        &ProgramRecord::icon, &ProgramRecord::added};
    return members[field];
}
} // namespace

QByteArray catalogueToJson(const QList<ProgramRecord>& programs)
{
    QByteArray out =
        "{\n  \"format\": \"kestrel-catalogue\",\n  \"version\": 1,\n  \"programs\": [";
    for (qsizetype i = 0; i < programs.size(); ++i) {
        out += i == 0 ? "\n    {" : ",\n    {";
        for (int field = 0; field < 5; ++field) {
            if (field > 0)
                out += ", ";
            out += '"';
            out += kFields[field];
            out += "\": ";
            appendString(out, programs.at(i).*member(field));
        }
        // Only where there is one, so that a catalogue without pictures exports as before.
        if (const QByteArray& picture = programs.at(i).picture; !picture.isEmpty())
            out += ", \"picture\": \"" + picture.toBase64() + '"';
        // Left out for everyone, so that older readers and files stay as they were.
        if (const QStringList& audiences = programs.at(i).audiences; !audiences.isEmpty()) {
            out += ", \"audiences\": ";
            appendTexts(out, audiences);
        }
        out += '}';
    }
    out += programs.isEmpty() ? "]\n}\n" : "\n  ]\n}\n";
    return out;
}

bool catalogueFromJson(const QByteArray& data, QList<ProgramRecord>& programs, QString& error)
{
    programs.clear();
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(markLoneSurrogates(data), &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        const QByteArray before = data.left(parseError.offset);
        const qsizetype line = before.count('\n') + 1;
        const qsizetype column = parseError.offset - (before.lastIndexOf('\n') + 1) + 1;
        error = QStringLiteral("line %1, column %2: %3")
                    .arg(line)
                    .arg(column)
                    .arg(parseError.errorString());
        return false;
    }
    if (!document.isObject()) {
        error = QStringLiteral("not a JSON object");
        return false;
    }
    const QJsonObject root = document.object();
    if (root.value(QLatin1String("format")).toString() != QLatin1String("kestrel-catalogue")) {
        error = QStringLiteral("\"format\" is not \"kestrel-catalogue\"");
        return false;
    }
    const QJsonValue version = root.value(QLatin1String("version"));
    if (!version.isDouble() || version.toDouble() != 1) {
        error = QStringLiteral("version %1 is not supported (only 1 is)")
                    .arg(QString::fromUtf8(
                             QJsonDocument(QJsonArray{version}).toJson(QJsonDocument::Compact))
                             .mid(1)
                             .chopped(1));
        return false;
    }
    if (!root.value(QLatin1String("programs")).isArray()) {
        error = QStringLiteral("\"programs\" is missing or not a list");
        return false;
    }
    const QJsonArray list = root.value(QLatin1String("programs")).toArray();
    QList<ProgramRecord> read; // handed over only whole
    read.reserve(list.size());
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QString where = QStringLiteral("program %1").arg(i + 1);
        if (!list.at(i).isObject()) {
            error = where + QStringLiteral(": not an object");
            return false;
        }
        const QJsonObject object = list.at(i).toObject();
        ProgramRecord record;
        const QString named =
            object.value(QLatin1String("name")).isString()
                ? QStringLiteral(" \"%1\"").arg(object.value(QLatin1String("name"))
                                                    .toString()
                                                    .left(80)
                                                    .replace(QChar(0), QChar::ReplacementCharacter))
                : QString();
        for (int field = 0; field < 5; ++field) {
            const QJsonValue value = object.value(QLatin1String(kFields[field]));
            const bool required = field == 0 || field == 2;
            if (value.isUndefined() && !required)
                continue;
            if (value.isUndefined()) {
                error = where + named + QStringLiteral(": \"%1\" is missing").arg(kFields[field]);
                return false;
            }
            if (!value.isString()) {
                error =
                    where + named + QStringLiteral(": \"%1\" is not a text").arg(kFields[field]);
                return false;
            }
            record.*member(field) = value.toString();
            // Stored as given or not at all: the catalogue's texts cannot hold these.
            if (const qsizetype at = value.toString().indexOf(QChar(0)); at >= 0) {
                error = where + named +
                        QStringLiteral(": \"%1\" holds a NUL or half a surrogate pair at "
                                       "character %2, which cannot be stored")
                            .arg(kFields[field])
                            .arg(at + 1);
                return false;
            }
        }
        if (const QJsonValue picture = object.value(QLatin1String("picture"));
            !picture.isUndefined()) {
            const auto decoded = QByteArray::fromBase64Encoding(
                picture.toString().toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
            if (!picture.isString() || !decoded) {
                error = where + named + QStringLiteral(": \"picture\" is not a base64 text");
                return false;
            }
            if (decoded.decoded.size() > kMaxStoredIconBytes) {
                error = where + named +
                        QStringLiteral(": \"picture\" is %1 bytes; the catalogue stores icons "
                                       "of at most 1 MB (%2 bytes)")
                            .arg(decoded.decoded.size())
                            .arg(kMaxStoredIconBytes);
                return false;
            }
            record.picture = decoded.decoded;
        }
        if (const QJsonValue audiences = object.value(QLatin1String("audiences"));
            !audiences.isUndefined()) {
            const QJsonArray specs = audiences.toArray();
            for (const QJsonValue spec : specs)
                record.audiences.append(spec.toString());
            const auto refused = std::find_if(specs.begin(), specs.end(), [](const QJsonValue& v) {
                return !v.isString() || audienceProblem(v.toString());
            });
            if (!audiences.isArray() || refused != specs.end()) {
                error = where + named +
                        (audiences.isArray() && refused->isString()
                             ? QStringLiteral(": \"audiences\": ") +
                                   *audienceProblem(refused->toString())
                             : QStringLiteral(": \"audiences\" is not a list of texts"));
                return false;
            }
            record.audiences = normalizedAudiences(record.audiences);
        }
        if (record.name.trimmed().isEmpty() || record.path.trimmed().isEmpty()) {
            error = where + named +
                    QStringLiteral(": \"%1\" is empty")
                        .arg(record.name.trimmed().isEmpty() ? "name" : "path");
            return false;
        }
        read.append(record);
    }
    programs = std::move(read);
    return true;
}

QByteArray listsToJson(const QString& format,
                       const QList<std::pair<const char*, QList<JsonRecord>>>& lists)
{
    QByteArray out = "{\n  \"format\": ";
    appendString(out, format);
    out += ",\n  \"version\": 1";
    for (const auto& [name, records] : lists) {
        out += ",\n  \"";
        out += name;
        out += "\": [";
        for (qsizetype i = 0; i < records.size(); ++i) {
            out += i == 0 ? "\n    {" : ",\n    {";
            for (qsizetype f = 0; f < records.at(i).size(); ++f) {
                const auto& [key, value] = records.at(i).at(f);
                out += f == 0 ? "\"" : ", \"";
                out += key;
                out += "\": ";
                if (value.typeId() == QMetaType::QStringList) {
                    appendTexts(out, value.toStringList());
                } else if (value.typeId() == QMetaType::QString) {
                    appendString(out, value.toString());
                } else {
                    out += QByteArray::number(value.toLongLong());
                }
            }
            out += '}';
        }
        out += records.isEmpty() ? "]" : "\n  ]";
    }
    out += "\n}\n";
    return out;
}
