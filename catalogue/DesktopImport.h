#pragma once

// The installed applications as catalogue programs, as both the tool's import-desktop and
// the administrator's "add installed" window offer them.
#include "catalogue/ProgramRecord.h"

#include <QList>
#include <QString>
#include <QStringList>

struct DesktopCandidate
{
    QString file;          // the desktop entry
    ProgramRecord program; // name, description, the entry as path, the resolved icon
    QString skipReason;    // set when the entry is not offered: unreadable, hidden, ...
    QString iconNote;      // set when the entry names an icon that cannot be used
};

// Every desktop entry below the applications folders (the XDG ones when none are given),
// in precedence order, read in the user's language with icons near 48 pixels.
QList<DesktopCandidate> readInstalledApplications(const QStringList& folders = {});
