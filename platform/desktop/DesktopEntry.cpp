#include "platform/desktop/DesktopEntry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>

namespace desktop {

const DesktopFile::Group* DesktopFile::group(const QString& name) const
{
    for (const Group& candidate : groups)
        if (candidate.name == name)
            return &candidate;
    return nullptr;
}

namespace {
bool validKey(QStringView key)
{
    if (key.isEmpty())
        return false;
    qsizetype end = key.size();
    if (key.endsWith(u']')) {
        const qsizetype open = key.indexOf(u'[');
        if (open <= 0 || open == key.size() - 2)
            return false;
        end = open;
    }
    for (qsizetype i = 0; i < end; ++i) {
        const QChar c = key.at(i);
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != u'-')
            return false;
    }
    return true;
}

DesktopFile failed(qsizetype line, const QString& message)
{
    DesktopFile file;
    file.errorLine = line;
    file.error = line > 0 ? QStringLiteral("line %1: %2").arg(line).arg(message) : message;
    return file;
}
} // namespace

DesktopFile parseDesktopFile(const QByteArray& data)
{
    DesktopFile file;
    QHash<QString, qsizetype> keyLines; // keys of the current group -> line
    QHash<QString, qsizetype> groupLines;
    qsizetype lineNumber = 0;
    qsizetype start = 0;
    while (start < data.size()) {
        qsizetype end = data.indexOf('\n', start);
        if (end < 0)
            end = data.size();
        ++lineNumber;
        if (end - start > kMaxLineLength)
            return failed(lineNumber,
                          QStringLiteral("the line is longer than %1 bytes").arg(kMaxLineLength));
        QByteArrayView bytes(data.constData() + start, end - start);
        start = end + 1;
        if (bytes.endsWith('\r'))
            bytes.chop(1);
        if (lineNumber == 1 && bytes.startsWith("\xEF\xBB\xBF"))
            bytes = bytes.sliced(3);
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString line = decoder.decode(bytes);
        if (decoder.hasError())
            return failed(lineNumber, QStringLiteral("the text is not UTF-8"));
        if (bytes.contains('\0'))
            return failed(lineNumber, QStringLiteral("the line holds a zero byte"));
        const QStringView trimmed = QStringView(line).trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u'#'))
            continue;
        if (trimmed.startsWith(u'[')) {
            if (!trimmed.endsWith(u']') || trimmed.size() < 3 ||
                trimmed.sliced(1, trimmed.size() - 2).contains(u'[') ||
                trimmed.sliced(1, trimmed.size() - 2).contains(u']'))
                return failed(lineNumber, QStringLiteral("a malformed group header"));
            const QString name = trimmed.sliced(1, trimmed.size() - 2).toString();
            if (const qsizetype first = groupLines.value(name); first > 0)
                return failed(lineNumber, QStringLiteral("group [%1] appears twice (first on "
                                                         "line %2)")
                                              .arg(name)
                                              .arg(first));
            groupLines.insert(name, lineNumber);
            file.groups.append({name, {}});
            keyLines.clear();
            continue;
        }
        const qsizetype equals = trimmed.indexOf(u'=');
        if (equals < 0)
            return failed(lineNumber, QStringLiteral("neither a group header nor key=value"));
        if (file.groups.isEmpty())
            return failed(lineNumber, QStringLiteral("a key before the first group header"));
        const QString key = trimmed.first(equals).trimmed().toString();
        if (!validKey(key))
            return failed(lineNumber, QStringLiteral("\"%1\" is not a valid key").arg(key));
        if (const qsizetype first = keyLines.value(key); first > 0)
            return failed(lineNumber, QStringLiteral("key %1 appears twice in group [%2] (first "
                                                     "on line %3)")
                                          .arg(key, file.groups.last().name)
                                          .arg(first));
        keyLines.insert(key, lineNumber);
        // Space after '=' is not part of the value; space at its end is.
        QStringView value = QStringView(line).sliced(line.indexOf(u'=') + 1);
        while (!value.isEmpty() && (value.front() == u' ' || value.front() == u'\t'))
            value = value.sliced(1);
        file.groups.last().entries.append({key, value.toString(), lineNumber});
    }
    return file;
}

bool decodeValue(const QString& raw, QString& decoded)
{
    decoded.clear();
    decoded.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QChar c = raw.at(i);
        if (c != u'\\') {
            decoded.append(c);
            continue;
        }
        if (++i >= raw.size())
            return false;
        switch (raw.at(i).unicode()) {
        case 's':
            decoded.append(u' ');
            break;
        case 'n':
            decoded.append(u'\n');
            break;
        case 't':
            decoded.append(u'\t');
            break;
        case 'r':
            decoded.append(u'\r');
            break;
        case '\\':
            decoded.append(u'\\');
            break;
        case ';':
            decoded.append(u';');
            break;
        default:
            decoded.append(u'\\').append(raw.at(i));
        }
    }
    return true;
}

QStringList localeKeys(const QString& locale)
{
    QString rest = locale;
    QString modifier;
    if (const qsizetype at = rest.indexOf(u'@'); at >= 0) {
        modifier = rest.sliced(at + 1);
        rest.truncate(at);
    }
    if (const qsizetype dot = rest.indexOf(u'.'); dot >= 0)
        rest.truncate(dot);
    QString lang = rest;
    QString country;
    if (const qsizetype underscore = rest.indexOf(u'_'); underscore >= 0) {
        lang = rest.first(underscore);
        country = rest.sliced(underscore + 1);
    }
    if (lang.isEmpty() || lang == u"C" || lang == u"POSIX")
        return {};
    QStringList keys;
    if (!country.isEmpty() && !modifier.isEmpty())
        keys << lang + u'_' + country + u'@' + modifier;
    if (!country.isEmpty())
        keys << lang + u'_' + country;
    if (!modifier.isEmpty())
        keys << lang + u'@' + modifier;
    keys << lang;
    return keys;
}

QStringList localeKeys()
{
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = qEnvironmentVariable(variable);
        if (!value.isEmpty())
            return localeKeys(value);
    }
    return {};
}

namespace {
// The group's value of key, localised by the first matching locale key.
const DesktopFile::Group::Entry*
localised(const QHash<QString, const DesktopFile::Group::Entry*>& found, const QString& key,
          const QStringList& locales)
{
    for (const QString& locale : locales)
        if (const auto* entry = found.value(key + u'[' + locale + u']'))
            return entry;
    return found.value(key);
}

bool isTrue(const QString& value)
{
    return value.trimmed() == u"true";
}
} // namespace

bool readDesktopApplication(const QString& path, const QStringList& locales,
                            DesktopApplication& app, QString& error)
{
    const QFileInfo info(path);
    if (!info.isFile()) {
        error = QStringLiteral("not a regular file");
        return false;
    }
    if (info.size() > kMaxFileSize) {
        error = QStringLiteral("larger than %1 bytes").arg(kMaxFileSize);
        return false;
    }
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly)) {
        error = in.errorString();
        return false;
    }
    const DesktopFile file = parseDesktopFile(in.read(kMaxFileSize + 1));
    if (!file.ok()) {
        error = file.error;
        return false;
    }
    const DesktopFile::Group* group = file.group(QStringLiteral("Desktop Entry"));
    if (!group) {
        error = QStringLiteral("no [Desktop Entry] group");
        return false;
    }
    app = DesktopApplication();
    app.file = info.absoluteFilePath();
    struct Field
    {
        const char* key;
        QString* target;
        bool localisedKey;
    };
    QString noDisplay, hidden, mimeTypes;
    const Field fields[] = {
        {"Type", &app.type, false},
        {"Name", &app.name, true},
        {"GenericName", &app.genericName, true},
        {"Comment", &app.comment, true},
        {"Icon", &app.icon, true},
        {"Exec", &app.exec, false},
        {"TryExec", &app.tryExec, false},
        {"NoDisplay", &noDisplay, false},
        {"Hidden", &hidden, false},
        {"MimeType", &mimeTypes, false},
    };
    QHash<QString, const DesktopFile::Group::Entry*> found;
    for (const auto& entry : group->entries)
        found.insert(entry.key, &entry);
    for (const Field& field : fields) {
        const QString key = QString::fromLatin1(field.key);
        const auto* entry = localised(found, key, field.localisedKey ? locales : QStringList());
        if (entry && !decodeValue(entry->value, *field.target)) {
            error = QStringLiteral("line %1: the value of %2 ends in an unfinished escape")
                        .arg(entry->line)
                        .arg(entry->key);
            return false;
        }
    }
    app.noDisplay = isTrue(noDisplay);
    app.hidden = isTrue(hidden);
    for (const QString& type : mimeTypes.split(u';', Qt::SkipEmptyParts))
        if (!type.trimmed().isEmpty())
            app.mimeTypes.append(type.trimmed());
    app.name = app.name.trimmed();
    return true;
}

QString applicationSkipReason(const DesktopApplication& app)
{
    if (app.type != u"Application")
        return app.type.isEmpty() ? QStringLiteral("no Type")
                                  : QStringLiteral("Type is %1, not Application").arg(app.type);
    if (app.hidden)
        return QStringLiteral("Hidden=true");
    if (app.noDisplay)
        return QStringLiteral("NoDisplay=true");
    if (app.name.isEmpty())
        return QStringLiteral("no Name");
    if (app.exec.trimmed().isEmpty())
        return QStringLiteral("no Exec");
    if (!app.tryExec.isEmpty() && findExecutable(app.tryExec).isEmpty())
        return QStringLiteral("TryExec program %1 is not installed").arg(app.tryExec);
    return {};
}

QString execProgram(const QString& exec)
{
    const QString line = exec.trimmed();
    if (line.startsWith(u'"')) {
        QString program;
        for (qsizetype i = 1; i < line.size(); ++i) {
            const QChar c = line.at(i);
            if (c == u'"')
                return program;
            if (c == u'\\' && i + 1 < line.size())
                program.append(line.at(++i));
            else
                program.append(c);
        }
        return program;
    }
    const qsizetype space = line.indexOf(u' ');
    return space < 0 ? line : line.first(space);
}

QString findExecutable(const QString& program)
{
    if (program.isEmpty())
        return {};
    const auto runnable = [](const QString& path) {
        const QFileInfo info(path);
        return info.isFile() && info.isExecutable();
    };
    if (program.contains(u'/'))
        return runnable(program) ? program : QString();
    for (const QString& folder : qEnvironmentVariable("PATH").split(u':', Qt::SkipEmptyParts)) {
        const QString candidate = folder + u'/' + program;
        if (runnable(candidate))
            return candidate;
    }
    return {};
}

} // namespace desktop
