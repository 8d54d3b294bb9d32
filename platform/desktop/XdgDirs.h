#pragma once

// Where the desktop keeps shared data: the XDG base folders and the desktop entries in them.
#include <QList>
#include <QString>
#include <QStringList>

namespace desktop {

QString dataHome();     // $XDG_DATA_HOME, else ~/.local/share
QStringList dataDirs(); // $XDG_DATA_DIRS, else /usr/local/share and /usr/share
QString configHome();   // $XDG_CONFIG_HOME, else ~/.config

// The applications folders, most important first: the user's, then the system's in order.
QStringList applicationDirs();

struct EntryFile
{
    QString id;   // the path below the applications folder, '/' turned into '-'
    QString path; // absolute
};

// Every desktop entry below the given applications folders, in folder order and by id
// within a folder. An id found in an earlier folder hides the same id in later ones.
QList<EntryFile> desktopEntryFiles(const QStringList& folders);

} // namespace desktop
