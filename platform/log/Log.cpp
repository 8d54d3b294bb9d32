#include "platform/log/Log.h"

#include "platform/RegularFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <syslog.h>
#include <unistd.h>

namespace platform::log {

void toSystemLog(Level level, const QString& message)
{
    // openlog keeps the pointer: the identity must outlive every later call.
    static const QByteArray identity = QCoreApplication::applicationName().toUtf8();
    static const bool opened = [] {
        ::openlog(identity.isEmpty() ? nullptr : identity.constData(), LOG_PID, LOG_USER);
        return true;
    }();
    static_cast<void>(opened);
    ::syslog(level == Level::Warning ? LOG_WARNING : LOG_INFO, "%s",
             escapeField(message).toUtf8().constData());
}

bool appendLine(const QString& path, const QByteArray& line, QString& error)
{
    // Never through a link: the log's folder is often one every user may write, and a
    // launcher run as root would append to whatever another user's link names.
    const int fd = platform::openRegularFile(path, O_WRONLY | O_APPEND | O_CREAT, false, error);
    if (fd < 0)
        return false;
    const QByteArray bytes = line + '\n';
    ssize_t written;
    do
        written = ::write(fd, bytes.constData(), static_cast<size_t>(bytes.size()));
    while (written < 0 && errno == EINTR);
    const int writeErrno = errno;
    const bool closed = ::close(fd) == 0;
    if (written != bytes.size()) {
        // A short write (disk full) leaves a partial line; the next line starts on its own
        // line only if a reader splits on line breaks, which the summary does.
        error = written < 0 ? QString::fromLocal8Bit(std::strerror(writeErrno))
                            : QStringLiteral("the disk is full");
        return false;
    }
    if (!closed) {
        error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    return true;
}

QString escapeField(const QString& text, Escape style)
{
    const bool log = style == Escape::Log;
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\\')
            out += QStringLiteral("\\\\");
        else if (u == u'\t')
            out += QStringLiteral("\\t");
        else if (u == u'\n')
            out += QStringLiteral("\\n");
        else if (u == u'\r')
            out += QStringLiteral("\\r");
        else if (u == 0 && !log)
            out += QStringLiteral("\\0"); // written raw, a NUL would end the line early
        else if (u < 0x20 || u == 0x7f ||
                 (log && ((u >= 0x80 && u < 0xa0) || u == 0x2028 || u == 0x2029)))
            out += (u > 0xff ? QStringLiteral("\\u%1") : QStringLiteral("\\x%1"))
                       .arg(u, u > 0xff ? 4 : 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

QString terminalText(const QString& text)
{
    QStringList lines = text.split(u'\n');
    for (QString& line : lines)
        if (std::any_of(line.cbegin(), line.cend(),
                        [](QChar c) { return c.category() == QChar::Other_Control; }))
            line = escapeField(line, Escape::Listing);
    return lines.join(u'\n');
}

bool unescapeField(const QString& field, QString& text, QString* error)
{
    text.clear();
    const auto wrong = [&](const QString& what, qsizetype at) {
        if (error)
            *error = QStringLiteral("%1 at character %2").arg(what).arg(at + 1);
        return false;
    };
    for (qsizetype i = 0; i < field.size(); ++i) {
        const QChar c = field.at(i);
        if (c.unicode() < 0x20) // never written raw by escapeField
            return wrong(c == u'\r' ? QStringLiteral("a carriage return")
                                    : QStringLiteral("a raw control character \\x%1")
                                          .arg(c.unicode(), 2, 16, QLatin1Char('0')),
                         i);
        if (c != u'\\') {
            text += c;
            continue;
        }
        if (++i >= field.size())
            return wrong(QStringLiteral("a lone backslash"), i - 1);
        switch (field.at(i).unicode()) {
        case u'\\':
            text += u'\\';
            break;
        case u't':
            text += u'\t';
            break;
        case u'n':
            text += u'\n';
            break;
        case u'r':
            text += u'\r';
            break;
        case u'x':
        case u'u': {
            const int digits = field.at(i) == u'x' ? 2 : 4;
            bool ok = false;
            const QString hex = field.mid(i + 1, digits);
            const ushort value = hex.toUShort(&ok, 16);
            if (!ok || hex.size() != digits)
                return wrong(
                    QStringLiteral("\\%1 without %2 hex digits").arg(field.at(i)).arg(digits),
                    i - 1);
            text += QChar(value);
            i += digits;
            break;
        }
        default:
            return wrong(QStringLiteral("an unknown escape \\%1").arg(escapeField(field.at(i))),
                         i - 1);
        }
    }
    return true;
}

} // namespace platform::log
