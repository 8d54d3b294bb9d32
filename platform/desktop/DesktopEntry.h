#pragma once

// Reading freedesktop desktop entries (the .desktop files that describe installed
// applications). Qt Core only.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace desktop {

// The parsed text of one desktop entry file: its groups with their keys in file order.
// Values are kept as written (escapes undecoded) until asked for.
struct DesktopFile
{
    struct Group
    {
        QString name;
        struct Entry
        {
            QString key; // with any [locale]
            QString value;
            qsizetype line;
        };
        QList<Entry> entries;
    };
    QList<Group> groups;
    // What made the file unreadable, with the 1-based line at fault (0 for the file).
    QString error;
    qsizetype errorLine = 0;

    bool ok() const { return error.isEmpty(); }
    const Group* group(const QString& name) const;
};

// Longest line accepted; longer ones make the file unreadable rather than slow.
constexpr qsizetype kMaxLineLength = 64 * 1024;
// Largest file read.
constexpr qint64 kMaxFileSize = 4 * 1024 * 1024;

DesktopFile parseDesktopFile(const QByteArray& data);

// Decodes \s \n \t \r \\ (and \; for lists). Answers false for a value that ends in a lone
// backslash. Unknown escapes are kept as written.
bool decodeValue(const QString& raw, QString& decoded);

// The locale keys to try for a localised value, best first, from LC_ALL, LC_MESSAGES and
// LANG (the first that is set): lang_COUNTRY@MODIFIER, lang_COUNTRY, lang@MODIFIER, lang.
// C and POSIX give none.
QStringList localeKeys();
QStringList localeKeys(const QString& locale);

// One application as a desktop entry describes it.
struct DesktopApplication
{
    QString id;   // desktop entry id (relative path with '/' as '-')
    QString file; // absolute path of the .desktop file
    QString type;
    QString name;        // localised
    QString genericName; // localised
    QString comment;     // localised
    QString icon;
    QString exec;
    QString tryExec;
    QStringList mimeTypes;
    bool noDisplay = false;
    bool hidden = false;

    // The text used as the catalogue description: the comment, else the generic name.
    QString description() const { return comment.isEmpty() ? genericName : comment; }
};

// Reads the entry's "Desktop Entry" group. On failure answers false with a message that
// names the line at fault ("line 3: ...") or the file's problem.
bool readDesktopApplication(const QString& path, const QStringList& locales,
                            DesktopApplication& app, QString& error);

// Why an application should not be offered, or empty when it should: not an application,
// hidden, not to be displayed, or its TryExec program is not installed.
QString applicationSkipReason(const DesktopApplication& app);

// The first word of an Exec line (the program), with quotes removed.
QString execProgram(const QString& exec);

// A program name or path resolved against PATH; empty when it is not an executable file.
QString findExecutable(const QString& program);

} // namespace desktop
