#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// The INI text itself, without the disk: how the profile service reads a file's bytes and
// how one write changes them. Pure functions, so that tests and the fuzzer can run them
// on any bytes.
//
// A file is a sequence of lines ended by "\r\n", "\n" or "\r" (the last one may have no
// end). A leading UTF-8 byte-order mark is not part of the first line. After blanks
// (spaces, tabs) are skipped, a line starting with ";" is a comment, one starting with "["
// a section header (the name runs to the first "]" or to the end of the line), a line
// holding "=" an entry (key before the first "=", value after it); anything else is a
// bare line. Names and values do not include the blanks around them.
namespace platform::profile::text {

// The value of key in section: trimmed, one matching pair of outer quotes removed.
// Only the first section of that name is searched and the first key of that name wins.
// Names match without regard to case; the caller's names lose blanks at both ends.
// nullopt when the section or the key is missing (or either name is null).
std::optional<QString> readValue(const QByteArray& file, const QString& section,
                                 const QString& key);

// The first section of that name as "key=value" entries and bare lines, in file order,
// comments and blank lines left out; nullopt when there is no such section.
std::optional<QStringList> readSection(const QByteArray& file, const QString& section);

// The names of all section headers in file order (duplicates included).
QStringList sectionNames(const QByteArray& file);

// Whether the file has a section of that name, matched as readValue matches it.
bool hasSection(const QByteArray& file, const QString& section);

// An optional sign and decimal digits up to the first other character, wrapped to 32 bits;
// no digits gives 0. Leading blanks are skipped.
qint32 parseInt(const QString& text);

// Whether a write with these arguments is refused: a line break in any of them, "]" in the
// section, "=" in the key, or a key that would start a comment or a header line.
bool isRefused(const QString& section, const QString& key, const QString& value);

// The three edits of a string write. Each keeps the bytes of every line it does not own,
// and answers false, leaving file untouched, when a name is null or the write is refused.
//
// Removes every section of that name: headers, entries and bare lines (comments and
// blank lines stay).
bool removeSection(QByteArray& file, const QString& section);
// Removes the key from the first section of that name; a missing one changes nothing.
bool removeKey(QByteArray& file, const QString& section, const QString& key);
// Sets key=value in the first section of that name. An existing key keeps its stored
// spelling and line end; a new key goes after the section's last entry, a new section at
// the end of the file, with the file's own line end.
bool setValue(QByteArray& file, const QString& section, const QString& key, const QString& value);

// One string write (the semantics of WritePrivateProfileString): a null key removes the
// section, a null value the key, otherwise the value is set. Answers false, leaving file
// untouched, when the arguments are refused or the section is null while key or value is
// not. All three null changes nothing and answers true.
bool applyWriteString(QByteArray& file, const QString& section, const QString& key,
                      const QString& value);

// Applies one section write: the section's entries and bare lines are replaced by the
// given "key=value" lines (lines without "=" are dropped), its comments and blank lines
// stay. A missing section is appended, unless the list is empty. Answers false, leaving
// file untouched, when the section is null or any argument is refused.
bool applyWriteSection(QByteArray& file, const QString& section, const QStringList& entries);

} // namespace platform::profile::text
