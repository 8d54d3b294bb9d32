#include "catalogue/ProgramName.h"

QString programNameKey(const QString& name)
{
    return name.trimmed().toCaseFolded();
}

QString nameTakenReason(const QString& name)
{
    return QStringLiteral("A program named \"%1\" is in the catalogue already (letter case "
                          "ignored). Each program needs a name of its own: programs are "
                          "started, shown, changed and deleted by name, so a second one of "
                          "that name would act on the first. Choose another name.")
        .arg(name);
}
