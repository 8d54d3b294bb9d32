#include "platform/profile/ProfileText.h"

#include "platform/Text.h"

#include <QByteArrayView>
#include <QList>
#include <QStringDecoder>

namespace platform::profile::text {
namespace {

enum class Kind { Blank, Comment, Header, Entry, Bare };

// One line as offsets into the file's bytes: [start, contentEnd) is the text,
// [contentEnd, end) the line end.
struct Line
{
    qsizetype start = 0;
    qsizetype contentEnd = 0;
    qsizetype end = 0;
    Kind kind = Kind::Blank;
    QByteArrayView name;  // header name or entry key, trimmed
    QByteArrayView value; // entry value, trimmed; for a bare line its trimmed text
    bool hasEnd() const { return end > contentEnd; }
};

struct Parsed
{
    qsizetype bomLength = 0;
    QList<Line> lines;
};

// UTF-8 to text. Unlike QString::fromUtf8, keeps a U+FEFF at the start: only the file's
// own byte-order mark is dropped, not one that starts a value or a name.
QString decode(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                     QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

QByteArrayView trimmed(QByteArrayView v)
{
    return platform::trimmed(v, [](char c) { return platform::isBlank(char16_t(c)); });
}

QString trimmedBlanks(const QString& s)
{
    return platform::trimmed(s, [](QChar c) { return platform::isBlank(c.unicode()); });
}

void classify(const QByteArray& file, Line& line)
{
    const QByteArrayView all(file.constData() + line.start, line.contentEnd - line.start);
    const QByteArrayView text = trimmed(all);
    if (text.isEmpty()) {
        line.kind = Kind::Blank;
    } else if (text[0] == ';') {
        line.kind = Kind::Comment;
    } else if (text[0] == '[') {
        line.kind = Kind::Header;
        const QByteArrayView inner = text.sliced(1);
        const qsizetype close = inner.indexOf(']');
        line.name = trimmed(close < 0 ? inner : inner.first(close));
    } else if (const qsizetype eq = text.indexOf('='); eq >= 0) {
        line.kind = Kind::Entry;
        line.name = trimmed(text.first(eq));
        line.value = trimmed(text.sliced(eq + 1));
    } else {
        line.kind = Kind::Bare;
        line.value = text;
    }
}

Parsed parse(const QByteArray& file)
{
    Parsed parsed;
    if (file.startsWith("\xEF\xBB\xBF"))
        parsed.bomLength = 3;
    const char* data = file.constData();
    const qsizetype size = file.size();
    qsizetype pos = parsed.bomLength;
    while (pos < size) {
        Line line;
        line.start = pos;
        qsizetype i = pos;
        while (i < size && data[i] != '\n' && data[i] != '\r')
            ++i;
        line.contentEnd = i;
        if (i < size)
            i += (data[i] == '\r' && i + 1 < size && data[i + 1] == '\n') ? 2 : 1;
        line.end = i;
        classify(file, line);
        parsed.lines.append(line);
        pos = i;
    }
    return parsed;
}

bool sameName(QByteArrayView stored, const QString& wanted)
{
    // Cheap reject before decoding: a UTF-16 unit takes one to three UTF-8 bytes.
    if (stored.size() < wanted.size() || stored.size() > 3 * wanted.size())
        return false;
    return decode(stored).compare(wanted, Qt::CaseInsensitive) == 0;
}

// Index of the first header named section, or -1.
qsizetype findSection(const Parsed& p, const QString& section, qsizetype from = 0)
{
    for (qsizetype i = from; i < p.lines.size(); ++i) {
        if (p.lines[i].kind == Kind::Header && sameName(p.lines[i].name, section))
            return i;
    }
    return -1;
}

// One past the last line of the section whose header is at index header.
qsizetype sectionEnd(const Parsed& p, qsizetype header)
{
    qsizetype i = header + 1;
    while (i < p.lines.size() && p.lines[i].kind != Kind::Header)
        ++i;
    return i;
}

QString stripQuotes(QString value)
{
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front())
        return value.mid(1, value.size() - 2);
    return value;
}

// The line end new lines get: the file's own (its first), "\n" for a file without one.
// A bare "\r" becomes "\r\n": a lone "\r" put before a blank "\n" line would fuse with it.
QByteArray lineEndOf(const QByteArray& file, const Parsed& p)
{
    for (const Line& line : p.lines) {
        if (line.hasEnd())
            return file[line.contentEnd] == '\n' ? QByteArray("\n") : QByteArray("\r\n");
    }
    return "\n";
}

bool hasLineBreak(const QString& s)
{
    return s.contains(u'\n') || s.contains(u'\r');
}

// A key must not turn its line into a comment or a header.
bool isBadKey(const QString& trimmedKey)
{
    return trimmedKey.contains(u'=') || trimmedKey.startsWith(u';') || trimmedKey.startsWith(u'[');
}

// Appends the line as it is in the file, line end included.
void copyLine(QByteArray& out, const QByteArray& file, const Line& line)
{
    out.append(file.constData() + line.start, line.end - line.start);
}

} // namespace

std::optional<QString> readValue(const QByteArray& file, const QString& section, const QString& key)
{
    if (section.isNull() || key.isNull())
        return std::nullopt;
    const Parsed p = parse(file);
    const qsizetype header = findSection(p, trimmedBlanks(section));
    if (header < 0)
        return std::nullopt;
    const QString wanted = trimmedBlanks(key);
    const qsizetype end = sectionEnd(p, header);
    for (qsizetype i = header + 1; i < end; ++i) {
        const Line& line = p.lines[i];
        if (line.kind == Kind::Entry && sameName(line.name, wanted))
            return stripQuotes(decode(line.value));
    }
    return std::nullopt;
}

std::optional<QStringList> readSection(const QByteArray& file, const QString& section)
{
    if (section.isNull())
        return std::nullopt;
    const Parsed p = parse(file);
    const qsizetype header = findSection(p, trimmedBlanks(section));
    if (header < 0)
        return std::nullopt;
    QStringList entries;
    const qsizetype end = sectionEnd(p, header);
    for (qsizetype i = header + 1; i < end; ++i) {
        const Line& line = p.lines[i];
        if (line.kind == Kind::Entry)
            entries.append(decode(line.name) + u'=' + decode(line.value));
        else if (line.kind == Kind::Bare)
            entries.append(decode(line.value));
    }
    return entries;
}

bool hasSection(const QByteArray& file, const QString& section)
{
    return !section.isNull() && findSection(parse(file), trimmedBlanks(section)) >= 0;
}

QStringList sectionNames(const QByteArray& file)
{
    QStringList names;
    for (const Line& line : parse(file).lines) {
        if (line.kind == Kind::Header)
            names.append(decode(line.name));
    }
    return names;
}

qint32 parseInt(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    quint32 result = 0; // unsigned, so that overflow wraps instead of being undefined
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
        result = result * 10u + quint32(text[i].unicode() - u'0');
    if (negative)
        result = 0u - result;
    return qint32(result);
}

bool isRefused(const QString& section, const QString& key, const QString& value)
{
    if (hasLineBreak(section) || hasLineBreak(key) || hasLineBreak(value))
        return true;
    if (section.contains(u']'))
        return true;
    return !key.isNull() && isBadKey(trimmedBlanks(key));
}

bool removeSection(QByteArray& file, const QString& section)
{
    if (section.isNull() || isRefused(section, QString(), QString()))
        return false;
    const Parsed p = parse(file);
    const QString sectionName = trimmedBlanks(section);
    QByteArray out;
    out.reserve(file.size());
    out.append(file.constData(), p.bomLength);
    // Headers, entries and bare lines of every section of that name go. Comments and
    // blank lines are not owned by a section and stay.
    bool inDeleted = false;
    for (const Line& line : p.lines) {
        if (line.kind == Kind::Header)
            inDeleted = sameName(line.name, sectionName);
        const bool owned =
            line.kind == Kind::Header || line.kind == Kind::Entry || line.kind == Kind::Bare;
        if (!(inDeleted && owned))
            copyLine(out, file, line);
    }
    file = out;
    return true;
}

bool removeKey(QByteArray& file, const QString& section, const QString& key)
{
    if (section.isNull() || key.isNull() || isRefused(section, key, QString()))
        return false;
    const Parsed p = parse(file);
    const qsizetype header = findSection(p, trimmedBlanks(section));
    if (header < 0)
        return true;
    const QString keyName = trimmedBlanks(key);
    const qsizetype end = sectionEnd(p, header);
    QByteArray out;
    out.reserve(file.size());
    out.append(file.constData(), p.bomLength);
    for (qsizetype i = 0; i < p.lines.size(); ++i) {
        const Line& line = p.lines[i];
        const bool drop =
            i > header && i < end && line.kind == Kind::Entry && sameName(line.name, keyName);
        if (!drop)
            copyLine(out, file, line);
    }
    file = out;
    return true;
}

bool setValue(QByteArray& file, const QString& section, const QString& key, const QString& value)
{
    if (section.isNull() || key.isNull() || value.isNull() || isRefused(section, key, value))
        return false;
    const Parsed p = parse(file);
    const QString sectionName = trimmedBlanks(section);
    const QString keyName = trimmedBlanks(key);
    const QByteArray eol = lineEndOf(file, p);
    const QByteArray valueBytes = value.toUtf8();
    const qsizetype header = findSection(p, sectionName);
    QByteArray out;
    out.reserve(file.size() + key.size() + value.size() + section.size() + 16);
    out.append(file.constData(), p.bomLength);

    if (header < 0) {
        for (const Line& line : p.lines)
            copyLine(out, file, line);
        if (!p.lines.isEmpty() && !p.lines.last().hasEnd())
            out.append(eol);
        out.append('[').append(sectionName.toUtf8()).append(']').append(eol);
        out.append(keyName.toUtf8()).append('=').append(valueBytes).append(eol);
        file = out;
        return true;
    }

    const qsizetype end = sectionEnd(p, header);
    qsizetype match = -1;
    qsizetype lastEntry = header; // new keys go after the section's last entry
    for (qsizetype i = header + 1; i < end; ++i) {
        const Line& line = p.lines[i];
        if (line.kind == Kind::Entry && sameName(line.name, keyName)) {
            match = i;
            break;
        }
        if (line.kind == Kind::Entry || line.kind == Kind::Bare)
            lastEntry = i;
    }
    for (qsizetype i = 0; i < p.lines.size(); ++i) {
        const Line& line = p.lines[i];
        if (i == match) {
            // The stored spelling of the key stays; the line end too.
            out.append(line.name.data(), line.name.size()).append('=').append(valueBytes);
            out.append(file.constData() + line.contentEnd, line.end - line.contentEnd);
            continue;
        }
        copyLine(out, file, line);
        if (match < 0 && i == lastEntry) {
            if (!line.hasEnd())
                out.append(eol);
            out.append(keyName.toUtf8()).append('=').append(valueBytes).append(eol);
        }
    }
    file = out;
    return true;
}

bool applyWriteString(QByteArray& file, const QString& section, const QString& key,
                      const QString& value)
{
    if (section.isNull())
        return key.isNull() && value.isNull(); // all null: a flush, nothing to change
    if (key.isNull())
        return isRefused(section, key, value) ? false : removeSection(file, section);
    if (value.isNull())
        return removeKey(file, section, key);
    return setValue(file, section, key, value);
}

bool applyWriteSection(QByteArray& file, const QString& section, const QStringList& entries)
{
    if (section.isNull() || hasLineBreak(section) || section.contains(u']'))
        return false;
    QList<QByteArray> lines;
    for (const QString& entry : entries) {
        if (hasLineBreak(entry))
            return false;
        const qsizetype eq = entry.indexOf(u'=');
        if (eq < 0)
            continue;
        if (isBadKey(trimmedBlanks(entry.first(eq))))
            return false;
        lines.append(entry.toUtf8());
    }

    const Parsed p = parse(file);
    const QString sectionName = trimmedBlanks(section);
    const QByteArray eol = lineEndOf(file, p);
    const qsizetype header = findSection(p, sectionName);
    QByteArray out;
    out.append(file.constData(), p.bomLength);
    const auto copy = [&](const Line& line) { copyLine(out, file, line); };

    if (header < 0) {
        if (lines.isEmpty())
            return true;
        for (const Line& line : p.lines)
            copy(line);
        if (!p.lines.isEmpty() && !p.lines.last().hasEnd())
            out.append(eol);
        out.append('[').append(sectionName.toUtf8()).append(']').append(eol);
        for (const QByteArray& line : lines)
            out.append(line).append(eol);
        file = out;
        return true;
    }

    const qsizetype end = sectionEnd(p, header);
    for (qsizetype i = 0; i < p.lines.size(); ++i) {
        const Line& line = p.lines[i];
        const bool owned =
            i > header && i < end && (line.kind == Kind::Entry || line.kind == Kind::Bare);
        if (owned)
            continue;
        copy(line);
        if (i == header && !lines.isEmpty()) {
            if (!line.hasEnd())
                out.append(eol);
            for (const QByteArray& entry : lines)
                out.append(entry).append(eol);
        }
    }
    file = out;
    return true;
}

} // namespace platform::profile::text
