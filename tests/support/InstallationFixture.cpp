#include "tests/support/InstallationFixture.h"

#include "catalogue/CatalogueFile.h"
#include "catalogue/clsDBRoutines.h"
#include "settings/clsEnvironment.h"
#include "tests/support/Sql.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>

InstallationFixture::InstallationFixture()
{
    releaseDBRoutines();
    setCatalogueReadOnly(false);
    QDir(mDir.path()).mkpath(QStringLiteral("data"));
    QDir(mDir.path()).mkpath(QStringLiteral("icons"));
    createCatalogue(db());
    writeIcon(path(QStringLiteral("Default.ico")), Qt::gray, "ICO");
    writeIni();
    if (!gEnvironment().loadSettings(ini()))
        qFatal("the fixture's settings do not load");
}

InstallationFixture::~InstallationFixture()
{
    releaseDBRoutines();
}

void InstallationFixture::writeIni(const QString& database, const QString& icon) const
{
    QFile file(ini());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(ini()));
    file.write(QStringLiteral("[Database]\nDatabasePath=%1\n[General]\nRequireLogin=1\n"
                              "ShowToolbar=1\nNumberOfClicks=1\nDefaultIcon=%2\n"
                              "DefaultDialogIconPath=%3\nDefaultDialogDBPath=%4\n")
                   .arg(database.isEmpty() ? db() : database,
                        icon.isEmpty() ? path(QStringLiteral("Default.ico")) : icon,
                        path(QStringLiteral("icons")), path(QStringLiteral("data")))
                   .toUtf8());
}

QString InstallationFixture::iniValue(const QString& key) const
{
    QFile file(ini());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QRegularExpression line(QStringLiteral("^\\s*%1\\s*=(.*)$").arg(key),
                                  QRegularExpression::MultilineOption |
                                      QRegularExpression::CaseInsensitiveOption);
    return line.match(QString::fromUtf8(file.readAll())).captured(1).trimmed();
}

void InstallationFixture::add(const QString& name, const QString& programPath, const QString& icon,
                              const QString& desc)
{
    if (!gDBRoutines().addProgram(name, desc, programPath, icon))
        qFatal("cannot add %s", qPrintable(name));
}

QStringList InstallationFixture::sql(const QString& statement, const QVariantList& values) const
{
    QStringList firstColumn;
    for (const QVariant& value : ::sql(db(), statement, values))
        firstColumn.append(value.toString());
    return firstColumn;
}

void InstallationFixture::writeIcon(const QString& file, QColor colour, const char* format)
{
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(colour);
    if (!image.save(file, format))
        qFatal("cannot write %s", qPrintable(file));
}

QStringList described(const MessageBoxRecorder& recorder)
{
    static const char* const icons[] = {"Information", "Exclamation", "Critical", "Question"};
    QStringList lines;
    for (const platform::MsgRequest& request : recorder.requests())
        lines.append(QStringLiteral("%1|%2|%3%4")
                         .arg(request.title, request.text, QLatin1String(icons[int(request.icon)]),
                              request.buttons == platform::MsgButtons::Ok ? "" : "|YesNo"));
    return lines;
}
