#include "platform/desktop/IconTheme.h"

#include "platform/RegularFile.h"
#include "platform/desktop/DesktopEntry.h"
#include "platform/desktop/XdgDirs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <climits>

namespace desktop {

namespace {
const char* const kExtensions[] = {".png", ".svg", ".xpm"};

DesktopFile readSmallFile(const QString& path)
{
    // A FIFO in a theme's place would block the open for good.
    QFile in;
    QString ignored;
    if (!platform::openRegularForReading(in, path, true, ignored) || in.size() > kMaxFileSize)
        return {};
    return parseDesktopFile(in.read(kMaxFileSize));
}

QString value(const DesktopFile::Group& group, const char* key)
{
    for (const auto& entry : group.entries)
        if (entry.key == QLatin1String(key))
            return entry.value.trimmed();
    return {};
}

int number(const DesktopFile::Group& group, const char* key, int fallback)
{
    bool ok = false;
    const int result = value(group, key).toInt(&ok);
    return ok ? result : fallback;
}
} // namespace

bool IconFinder::Directory::matches(int iconSize) const
{
    switch (type) {
    case Fixed:
        return size == iconSize;
    case Scalable:
        return minSize <= iconSize && iconSize <= maxSize;
    case Threshold:
        return size - threshold <= iconSize && iconSize <= size + threshold;
    }
    return false;
}

int IconFinder::Directory::distance(int iconSize) const
{
    switch (type) {
    case Fixed:
        return std::abs(size * scale - iconSize);
    case Scalable:
        if (iconSize < minSize * scale)
            return minSize * scale - iconSize;
        if (iconSize > maxSize * scale)
            return iconSize - maxSize * scale;
        return 0;
    case Threshold:
        if (iconSize < (size - threshold) * scale)
            return (size - threshold) * scale - iconSize;
        if (iconSize > (size + threshold) * scale)
            return iconSize - (size + threshold) * scale;
        return 0;
    }
    return INT_MAX;
}

IconFinder::IconFinder() : IconFinder(defaultBaseDirs(), configuredTheme()) {}

IconFinder::IconFinder(const QStringList& baseDirs, const QString& userTheme)
    : mBaseDirs(baseDirs), mUserTheme(userTheme.isEmpty() ? QStringLiteral("hicolor") : userTheme)
{
}

QStringList IconFinder::defaultBaseDirs()
{
    QStringList dirs{QDir::homePath() + QStringLiteral("/.icons"),
                     dataHome() + QStringLiteral("/icons")};
    for (const QString& dir : dataDirs())
        dirs.append(dir + QStringLiteral("/icons"));
    dirs.append(QStringLiteral("/usr/share/pixmaps"));
    dirs.removeDuplicates();
    return dirs;
}

QString IconFinder::configuredTheme()
{
    const QString config = configHome();
    const DesktopFile gtk = readSmallFile(config + QStringLiteral("/gtk-3.0/settings.ini"));
    if (const auto* group = gtk.group(QStringLiteral("Settings")))
        if (const QString name = value(*group, "gtk-icon-theme-name"); !name.isEmpty())
            return name;
    const DesktopFile kde = readSmallFile(config + QStringLiteral("/kdeglobals"));
    if (const auto* group = kde.group(QStringLiteral("Icons")))
        if (const QString name = value(*group, "Theme"); !name.isEmpty())
            return name;
    return QStringLiteral("hicolor");
}

bool IconFinder::hasFile(const QString& folder, const QString& name)
{
    auto it = mListings.find(folder);
    if (it == mListings.end()) {
        QSet<QString> names;
        const QStringList files = QDir(folder).entryList(QDir::Files | QDir::Readable);
        names = QSet<QString>(files.begin(), files.end());
        it = mListings.insert(folder, names);
    }
    return it->contains(name);
}

const IconFinder::Theme& IconFinder::theme(const QString& name)
{
    if (auto it = mThemes.constFind(name); it != mThemes.cend())
        return *it;
    Theme theme;
    // A theme name is one folder name; anything else would walk out of the base folders.
    const bool plain = !name.isEmpty() && !name.contains(u'/') && name != u"." && name != u"..";
    DesktopFile index;
    for (const QString& base : plain ? mBaseDirs : QStringList()) {
        const QString root = base + u'/' + name;
        if (!QFileInfo(root).isDir())
            continue;
        theme.roots.append(root);
        if (index.groups.isEmpty() && QFileInfo(root + QStringLiteral("/index.theme")).isFile())
            index = readSmallFile(root + QStringLiteral("/index.theme"));
    }
    if (const auto* main = index.group(QStringLiteral("Icon Theme"))) {
        for (const QString& parent : value(*main, "Inherits").split(u',', Qt::SkipEmptyParts))
            theme.parents.append(parent.trimmed());
        QStringList names = value(*main, "Directories").split(u',', Qt::SkipEmptyParts);
        names += value(*main, "ScaledDirectories").split(u',', Qt::SkipEmptyParts);
        for (const QString& dirName : names) {
            const auto* group = index.group(dirName.trimmed());
            if (!group)
                continue;
            Directory dir;
            dir.name = dirName.trimmed();
            dir.size = number(*group, "Size", 0);
            dir.scale = number(*group, "Scale", 1);
            dir.minSize = number(*group, "MinSize", dir.size);
            dir.maxSize = number(*group, "MaxSize", dir.size);
            dir.threshold = number(*group, "Threshold", 2);
            const QString type = value(*group, "Type");
            dir.type = type == u"Fixed"      ? Directory::Fixed
                       : type == u"Scalable" ? Directory::Scalable
                                             : Directory::Threshold;
            if (dir.size > 0)
                theme.directories.append(dir);
        }
    }
    return *mThemes.insert(name, theme);
}

QString IconFinder::lookup(const QString& icon, int size, const Theme& theme)
{
    const auto fileIn = [&](const Directory& dir) -> QString {
        for (const QString& root : theme.roots) {
            const QString folder = root + u'/' + dir.name;
            for (const char* extension : kExtensions)
                if (const QString file = icon + QLatin1String(extension); hasFile(folder, file))
                    return folder + u'/' + file;
        }
        return {};
    };
    QString closest;
    int best = INT_MAX;
    for (const Directory& dir : theme.directories) {
        const bool matches = dir.matches(size) && dir.scale == 1;
        const int distance = matches ? 0 : dir.distance(size);
        if (!matches && distance >= best)
            continue;
        if (const QString file = fileIn(dir); !file.isEmpty()) {
            if (matches)
                return file;
            closest = file;
            best = distance;
        }
    }
    return closest;
}

QString IconFinder::findInTheme(const QString& icon, int size, const QString& themeName,
                                QSet<QString>& visited)
{
    // Themes that inherit from each other in a circle are searched once each.
    if (visited.contains(themeName))
        return {};
    visited.insert(themeName);
    const Theme& found = theme(themeName);
    if (const QString file = lookup(icon, size, found); !file.isEmpty())
        return file;
    const QStringList parents = found.parents;
    for (const QString& parent : parents)
        if (const QString file = findInTheme(icon, size, parent, visited); !file.isEmpty())
            return file;
    return {};
}

QString IconFinder::find(const QString& icon, int size)
{
    const QString name = icon.trimmed();
    if (name.isEmpty())
        return {};
    if (QDir::isAbsolutePath(name))
        return QFileInfo(name).isFile() ? name : QString();
    if (name.contains(u'/'))
        return {};
    // Some entries name the file rather than the icon.
    QString bare = name;
    for (const char* extension : kExtensions)
        if (bare.endsWith(QLatin1String(extension)))
            bare.chop(4);
    QSet<QString> visited;
    if (QString file = findInTheme(bare, size, mUserTheme, visited); !file.isEmpty())
        return file;
    if (QString file = findInTheme(bare, size, QStringLiteral("hicolor"), visited); !file.isEmpty())
        return file;
    for (const QString& base : mBaseDirs)
        for (const char* extension : kExtensions)
            if (hasFile(base, bare + QLatin1String(extension)))
                return base + u'/' + bare + QLatin1String(extension);
    return {};
}

} // namespace desktop
