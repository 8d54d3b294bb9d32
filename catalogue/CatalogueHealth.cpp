#include "catalogue/CatalogueHealth.h"

#include "catalogue/StoredIcon.h"
#include "platform/desktop/DesktopEntry.h"
#include "platform/desktop/XdgDirs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <unistd.h>

CatalogueHealth::CatalogueHealth() : CatalogueHealth(desktop::applicationDirs()) {}

CatalogueHealth::CatalogueHealth(const QStringList& applicationDirs)
    : mApplicationDirs(applicationDirs)
{
}

void CatalogueHealth::loadHandlers()
{
    mHandlersLoaded = true;
    const QStringList noLocales;
    for (const desktop::EntryFile& entry : desktop::desktopEntryFiles(mApplicationDirs)) {
        desktop::DesktopApplication app;
        QString error;
        if (desktop::readDesktopApplication(entry.path, noLocales, app, error) && !app.hidden)
            for (const QString& type : app.mimeTypes)
                mHandledTypes.insert(type);
    }
    // Associations made by the user or the system without a MimeType line.
    QStringList lists{desktop::configHome() + QStringLiteral("/mimeapps.list")};
    for (const QString& dir : mApplicationDirs)
        lists.append(dir + QStringLiteral("/mimeapps.list"));
    for (const QString& list : lists) {
        QFile in(list);
        if (!QFileInfo(list).isFile() || !in.open(QIODevice::ReadOnly))
            continue;
        const desktop::DesktopFile file = desktop::parseDesktopFile(in.read(desktop::kMaxFileSize));
        for (const char* group : {"Default Applications", "Added Associations"})
            if (const auto* found = file.group(QString::fromLatin1(group)))
                for (const auto& entry : found->entries)
                    if (!entry.value.trimmed().isEmpty())
                        mHandledTypes.insert(entry.key);
    }
}

bool CatalogueHealth::typeHasHandler(const QString& mimeType)
{
    if (!mHandlersLoaded)
        loadHandlers();
    static const QMimeDatabase database;
    const QMimeType type = database.mimeTypeForName(mimeType);
    if (mHandledTypes.contains(mimeType))
        return true;
    for (const QString& ancestor : type.allAncestors())
        if (mHandledTypes.contains(ancestor))
            return true;
    return false;
}

QString CatalogueHealth::pathProblem(const QString& path)
{
    const QString trimmed = path.trimmed();
    if (trimmed.isEmpty())
        return QStringLiteral("no path is set");
    const QFileInfo info(trimmed);
    if (!info.exists())
        return QStringLiteral("%1 does not exist").arg(trimmed);
    if (info.isDir())
        return {};
    if (info.suffix().compare(QLatin1String("desktop"), Qt::CaseInsensitive) == 0) {
        desktop::DesktopApplication app;
        QString error;
        if (!desktop::readDesktopApplication(trimmed, {}, app, error))
            return QStringLiteral("the desktop entry cannot be read: %1").arg(error);
        const QString program =
            app.tryExec.isEmpty() ? desktop::execProgram(app.exec) : app.tryExec;
        if (program.isEmpty())
            return QStringLiteral("the desktop entry names no program");
        if (desktop::findExecutable(program).isEmpty())
            return QStringLiteral("the desktop entry's program %1 is not installed").arg(program);
        return {};
    }
    const QByteArray native = QFile::encodeName(info.absoluteFilePath());
    const bool runnable = ::access(native.constData(), X_OK) == 0;
    QFile file(info.absoluteFilePath());
    QByteArray head;
    if (file.open(QIODevice::ReadOnly))
        head = file.read(4);
    const bool looksLikeProgram = head.startsWith("#!") || head == QByteArray("\x7f"
                                                                              "ELF",
                                                                              4);
    const bool hasExecBit =
        info.permissions() & (QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther);
    if (runnable && looksLikeProgram)
        return {};
    if (looksLikeProgram && hasExecBit)
        return QStringLiteral("%1 is a program this user may not run").arg(trimmed);
    static const QMimeDatabase database;
    const QMimeType type = database.mimeTypeForFile(info);
    if (runnable && type.inherits(QStringLiteral("application/x-executable")))
        return {};
    // Without the MIME database nothing can be said about documents.
    if (type.isValid() && !type.isDefault() && !typeHasHandler(type.name()))
        return QStringLiteral("no installed application opens %1 (%2)").arg(trimmed, type.name());
    return {};
}

QString CatalogueHealth::iconProblem(const QString& icon)
{
    const QString trimmed = icon.trimmed();
    if (trimmed.isEmpty())
        return {};
    if (auto it = mIconProblems.constFind(trimmed); it != mIconProblems.cend())
        return *it;
    QString problem;
    const QFileInfo info(trimmed);
    QFile file(trimmed);
    QByteArray head;
    if (!info.exists())
        problem = QStringLiteral("the icon %1 does not exist").arg(trimmed);
    else if (!info.isFile())
        problem = QStringLiteral("the icon %1 is not a file").arg(trimmed);
    else if (info.size() == 0)
        problem = QStringLiteral("the icon %1 is empty").arg(trimmed);
    else if (info.size() > kMaxIconFileSize)
        problem = QStringLiteral("the icon %1 is too large").arg(trimmed);
    else if (!file.open(QIODevice::ReadOnly))
        problem = QStringLiteral("the icon %1 cannot be read").arg(trimmed);
    else
        head = file.read(kPictureHeadBytes);
    if (problem.isEmpty() && !looksLikePicture(head))
        problem = QStringLiteral("the icon %1 is not a picture").arg(trimmed);
    mIconProblems.insert(trimmed, problem);
    return problem;
}

QString CatalogueHealth::problem(const ProgramRecord& program)
{
    QStringList problems;
    if (QString path = pathProblem(program.path); !path.isEmpty())
        problems.append(path);
    // A stored picture is what every workstation shows, whether or not the file is there.
    if (!program.picture.isEmpty()) {
        if (!looksLikePicture(program.picture.left(kPictureHeadBytes)))
            problems.append(QStringLiteral("the icon stored for %1 is not a picture")
                                .arg(program.icon.trimmed()));
    } else if (QString icon = iconProblem(program.icon); !icon.isEmpty()) {
        problems.append(icon);
    }
    return problems.join(QStringLiteral("; "));
}

QList<BrokenProgram> findBrokenPrograms(const QList<ProgramRecord>& programs,
                                        CatalogueHealth& health)
{
    QList<BrokenProgram> broken;
    for (const ProgramRecord& program : programs)
        if (QString problem = health.problem(program); !problem.isEmpty())
            broken.append({program.name, problem});
    return broken;
}
