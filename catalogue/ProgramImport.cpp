#include "catalogue/ProgramImport.h"

ImportPlan::ImportPlan(const QList<ProgramRecord>& existing, bool update) : mUpdate(update)
{
    // Backwards, so that the first program of a name is the one kept.
    for (auto it = existing.crbegin(); it != existing.crend(); ++it)
        mExisting.insert(programNameKey(it->name), *it);
}

ImportPlan::Outcome ImportPlan::offer(const ProgramRecord& offered, QString& reason,
                                      bool withAudiences)
{
    ProgramRecord program = offered;
    const QString key = programNameKey(program.name);
    if (mOffered.contains(key)) {
        reason = QStringLiteral("the name appears earlier in this import");
        return Skipped;
    }
    mOffered.insert(key);
    const auto found = mExisting.constFind(key);
    if (found == mExisting.cend()) {
        mAdditions.append(program);
        return Added;
    }
    if (!mUpdate) {
        reason = QStringLiteral("the name exists");
        return Skipped;
    }
    const ProgramRecord& stored = *found;
    if (!withAudiences)
        program.audiences = stored.audiences;
    if (stored.name == program.name.trimmed() && stored.description == program.description &&
        stored.path == program.path && stored.icon == program.icon &&
        (program.picture.isEmpty() || program.picture == stored.picture) &&
        stored.audiences == program.audiences) {
        reason = QStringLiteral("unchanged");
        return Skipped;
    }
    mUpdates.append({stored.name, program});
    return Updated;
}
