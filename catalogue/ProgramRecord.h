#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// One program with every column the catalogue keeps for it, as scripts exchange it.
struct ProgramRecord
{
    QString name;
    QString description;
    QString path;
    QString icon;
    QString added; // as stored; empty when adding means today
    // The icon's picture as the catalogue stores it (catalogue/StoredIcon.h); empty for none.
    QByteArray picture{};
    // Who it is meant for (catalogue/ProgramAudience.h), sorted; empty for everyone.
    QStringList audiences{};
    bool operator==(const ProgramRecord&) const = default;
};

// A change to the rows that carry storedName (as stored, letter case and all).
struct ProgramUpdate
{
    QString storedName;
    ProgramRecord record; // added is left as it was
};
