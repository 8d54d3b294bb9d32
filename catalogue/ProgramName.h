#pragma once

// When two programs go by the same name: names identify programs, so the catalogue's
// lookups, the windows' and the tool's refusals and the imports' skipping all ask this.
#include <QString>

// The one rule for "the same name", in memory as in the database: leading and trailing
// spaces (only spaces) trimmed, ASCII letters compared without regard to case and every
// other character as it is. It is the rule of the name column and of its index on both
// engines, so a lookup by name stays an index lookup; "zäh" and "ZÄH" are two programs.
QString programNameKey(const QString& name);

// Why a name found taken is refused, for the windows and the tool.
QString nameTakenReason(const QString& name);
