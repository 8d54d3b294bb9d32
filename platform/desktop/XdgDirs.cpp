#include "platform/desktop/XdgDirs.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSet>
#include <algorithm>

namespace desktop {

namespace {
QString home()
{
    return QDir::homePath();
}
} // namespace

QString dataHome()
{
    const QString value = qEnvironmentVariable("XDG_DATA_HOME");
    // Relative values are invalid and ignored.
    return QDir::isAbsolutePath(value) ? value : home() + QStringLiteral("/.local/share");
}

QStringList dataDirs()
{
    QStringList dirs;
    for (const QString& dir : qEnvironmentVariable("XDG_DATA_DIRS").split(u':', Qt::SkipEmptyParts))
        if (QDir::isAbsolutePath(dir))
            dirs.append(QDir::cleanPath(dir));
    if (dirs.isEmpty())
        dirs = {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")};
    return dirs;
}

QString configHome()
{
    const QString value = qEnvironmentVariable("XDG_CONFIG_HOME");
    return QDir::isAbsolutePath(value) ? value : home() + QStringLiteral("/.config");
}

QStringList applicationDirs()
{
    QStringList dirs{dataHome() + QStringLiteral("/applications")};
    for (const QString& dir : dataDirs())
        dirs.append(dir + QStringLiteral("/applications"));
    dirs.removeDuplicates();
    return dirs;
}

QList<EntryFile> desktopEntryFiles(const QStringList& folders)
{
    QList<EntryFile> entries;
    QSet<QString> seen;
    for (const QString& folder : folders) {
        const QDir root(folder);
        if (!root.exists())
            continue;
        QList<EntryFile> here;
        QDirIterator it(folder, {QStringLiteral("*.desktop")}, QDir::Files | QDir::Readable,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QString id = root.relativeFilePath(path);
            id.replace(u'/', u'-');
            here.append({id, QFileInfo(path).absoluteFilePath()});
        }
        std::sort(here.begin(), here.end(),
                  [](const EntryFile& a, const EntryFile& b) { return a.id < b.id; });
        for (const EntryFile& entry : here)
            if (!seen.contains(entry.id)) {
                seen.insert(entry.id);
                entries.append(entry);
            }
    }
    return entries;
}

} // namespace desktop
