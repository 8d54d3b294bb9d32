#include "settings/FileChecks.h"

#include "platform/Text.h"

#include <QFileInfo>

QString TrimSpaces(const QString& text)
{
    return platform::trimmed(text, [](QChar c) { return platform::isSpace(c.unicode()); });
}

bool FileExists(const QString& path)
{
    const QString trimmed = TrimSpaces(path);
    if (trimmed.isEmpty())
        return false;
    const QFileInfo info(trimmed);
    return info.exists() && !info.isDir();
}

bool FolderExists(const QString& path)
{
    const QString trimmed = TrimSpaces(path);
    return !trimmed.isEmpty() && QFileInfo(trimmed).isDir();
}

qint16 FlagToDigit(qint16 flag)
{
    return flag != 0 ? 1 : 0;
}

bool IsPositive(qint16 value)
{
    return value > 0;
}
