#pragma once

#include <QDeadlineTimer>
#include <QString>
#include <QStringList>

// The profile (INI) service: the one place that parses and writes INI files.
// It mirrors the private-profile functions of the original platform, with whole
// values (no buffer cuts) and every failed write reported.
//
// Null versus empty: a null QString (QString()) stands for the platform's null
// pointer argument; an empty one ("") for the empty text.
namespace platform::profile {

// The entry's value, or defaultValue (trailing spaces removed) when the file,
// the section or the key is missing. An empty stored value gives "".
QString GetPrivateProfileString(const QString& section, const QString& key,
                                const QString& defaultValue, const QString& file);

// The entry read as a signed decimal number (optional sign, digits up to the first
// other character; no digits gives 0), or defaultValue when missing or empty.
qint32 GetPrivateProfileInt(const QString& section, const QString& key, qint32 defaultValue,
                            const QString& file);

// The section's lines in file order: "key=value" entries as stored (blanks around key
// and value removed), bare lines without "=" as they are, comments left out.
// A missing file or section gives an empty list.
QStringList GetPrivateProfileSection(const QString& section, const QString& file);

// Sets key=value in section, creating the file, the section and the key when needed.
// A null value removes the key; a null key removes the whole section; null section,
// key and value flush (nothing is cached, so that only answers true).
// Answers false when nothing could be written, or when the arguments are refused
// (a line break anywhere, "]" in the section, "=" in the key, a key starting with ";" or
// "[", which would turn its line into a comment or a header).
// Saves are atomic and serialised between processes by a lock on the file's folder.
bool WritePrivateProfileString(const QString& section, const QString& key, const QString& value,
                               const QString& file);

// Replaces all entries of the section by the given "key=value" lines (an empty list
// leaves the bare header), creating the file and the section when needed; lines without
// "=" are dropped, and an empty list for a missing section changes nothing.
// Refused like the string write when a line would break or turn into a comment or header.
bool WritePrivateProfileSection(const QString& section, const QStringList& entries,
                                const QString& file);

// While one lives, the writes of this thread wait for another process's lock on a folder
// only until its deadline (not up to 15 s each), so a run of writes waits once in all;
// past it they answer false at once. Nested ones keep the earlier deadline.
class WriteDeadline
{
public:
    explicit WriteDeadline(int milliseconds);
    ~WriteDeadline();
    WriteDeadline(const WriteDeadline&) = delete;
    WriteDeadline& operator=(const WriteDeadline&) = delete;
    QDeadlineTimer deadline() const { return mDeadline; }

private:
    QDeadlineTimer mDeadline;
    const WriteDeadline* mPrevious;
};

// The system profile: the file WIN.INI in GetWindowsDirectory().
QString GetWindowsDirectory();
QString systemProfilePath();
QString GetProfileString(const QString& section, const QString& key, const QString& defaultValue);
qint32 GetProfileInt(const QString& section, const QString& key, qint32 defaultValue);
QStringList GetProfileSection(const QString& section);
bool WriteProfileString(const QString& section, const QString& key, const QString& value);
bool WriteProfileSection(const QString& section, const QStringList& entries);

} // namespace platform::profile
