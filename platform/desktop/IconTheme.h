#pragma once

// Finding an icon file by name through the desktop's icon themes.
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

namespace desktop {

class IconFinder
{
public:
    // The user's theme and the usual folders: ~/.icons, the data folders' icons folders,
    // /usr/share/pixmaps.
    IconFinder();
    IconFinder(const QStringList& baseDirs, const QString& userTheme);

    // The file of the icon nearest to size pixels (PNG, SVG or XPM) in the user's theme or
    // the themes it inherits, then hicolor, then loose in a base folder; an absolute path
    // is answered as it is when it is a file. Empty when none is found.
    QString find(const QString& icon, int size = 48);

    const QString& userTheme() const { return mUserTheme; }
    static QStringList defaultBaseDirs();
    // The theme the user chose in the desktop's settings, else hicolor.
    static QString configuredTheme();

private:
    struct Directory
    {
        QString name;
        int size = 0;
        int scale = 1;
        int minSize = 0;
        int maxSize = 0;
        int threshold = 2;
        enum Type { Fixed, Scalable, Threshold } type = Threshold;
        bool matches(int iconSize) const;
        int distance(int iconSize) const;
    };
    struct Theme
    {
        QStringList roots; // base/theme folders that exist
        QList<Directory> directories;
        QStringList parents;
    };

    const Theme& theme(const QString& name);
    QString lookup(const QString& icon, int size, const Theme& theme);
    QString findInTheme(const QString& icon, int size, const QString& themeName,
                        QSet<QString>& visited);
    bool hasFile(const QString& folder, const QString& name);

    QStringList mBaseDirs;
    QString mUserTheme;
    QHash<QString, Theme> mThemes;
    QHash<QString, QSet<QString>> mListings; // folder -> file names, read once
};

} // namespace desktop
