#pragma once

// Deciding what an import does with each program offered: add it, update the program of
// that name, or skip it. A name identifies one program (trimmed, letter case ignored), so
// a name that exists is skipped unless updates were asked for.
#include "catalogue/ProgramName.h"
#include "catalogue/ProgramRecord.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

class ImportPlan
{
public:
    ImportPlan(const QList<ProgramRecord>& existing, bool update);

    enum Outcome { Added, Updated, Skipped };
    // Records what happens to the program; reason says why it is skipped. An update keeps
    // the stored program's audiences unless the offer carries them (withAudiences: its
    // empty list then makes the program everyone's).
    Outcome offer(const ProgramRecord& program, QString& reason, bool withAudiences = false);

    const QList<ProgramRecord>& additions() const { return mAdditions; }
    const QList<ProgramUpdate>& updates() const { return mUpdates; }

private:
    bool mUpdate;
    QHash<QString, ProgramRecord> mExisting; // key -> first stored program of that name
    QSet<QString> mOffered;
    QList<ProgramRecord> mAdditions;
    QList<ProgramUpdate> mUpdates;
};
