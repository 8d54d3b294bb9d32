#pragma once

// When two programs go by the same name: names identify programs, so the catalogue's
// lookups, the windows' and the tool's refusals and the imports' skipping all ask this.
#include <QString>

// The form of a name that identity compares in memory (the imports, the tool's modify and
// delete, the windows' health marks): all white space trimmed, letters case-folded.
// clsDBRoutines::programNameExists asks the database instead: spaces trimmed, compared as
// the name column compares (a catalogue file folds ASCII letters).
QString programNameKey(const QString& name);

// Why a name found taken is refused, for the windows and the tool.
QString nameTakenReason(const QString& name);
