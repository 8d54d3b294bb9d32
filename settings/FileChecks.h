#pragma once

#include <QString>

// Existence checks on a path trimmed of blanks; files and folders told apart.
bool FileExists(const QString& path);
bool FolderExists(const QString& path);

// 1 for any non-zero flag (so -1 becomes 1), else 0.
qint16 FlagToDigit(qint16 flag);
// True when the signed 16-bit value is greater than 0.
bool IsPositive(qint16 value);

// Leading and trailing space characters removed; tabs and other white space stay.
QString TrimSpaces(const QString& text);
