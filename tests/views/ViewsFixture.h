#pragma once

#include "catalogue/CatalogueFile.h"
#include "catalogue/clsDBRoutines.h"
#include "settings/clsEnvironment.h"
#include "tests/catalogue/CatalogueFixture.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

// A temporary installation for view tests: a real catalogue file, a default icon and a
// couple of icon files, wired into the program-wide settings and catalogue objects.
class ViewsFixture
{
public:
    ViewsFixture()
    {
        releaseDBRoutines();
        createCatalogue(db());
        writePicture(defaultIcon(), Qt::gray);
        writePicture(path(QStringLiteral("red.png")), Qt::red);
        writePicture(path(QStringLiteral("blue.png")), Qt::blue);
        QFile broken(path(QStringLiteral("broken.ico")));
        broken.open(QIODevice::WriteOnly);
        broken.write("not a picture at all");
        broken.close();
        gEnvironment().setDatabasePath(db());
        gEnvironment().setDefaultIcon(defaultIcon());
    }
    ~ViewsFixture() { releaseDBRoutines(); }

    QString path(const QString& name) const { return mDir.filePath(name); }
    QString db() const { return path(QStringLiteral("Kestrel.mdb")); }
    QString defaultIcon() const { return path(QStringLiteral("Default.png")); }

    void add(const QString& name, const QString& programPath, const QString& icon = QString(),
             const QString& desc = QString())
    {
        fixture::insertProgram(db(), name, desc, programPath, icon);
    }

    // Many programs in one transaction: "Program 000001" ..., every twentieth with red.png.
    void addMany(int count)
    {
        const QString name = QStringLiteral("bulk");
        {
            QSqlDatabase conn = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            conn.setDatabaseName(db());
            conn.open();
            conn.transaction();
            QSqlQuery query(conn);
            query.prepare(QStringLiteral("INSERT INTO Program (Program_Name, Program_Path, "
                                         "Program_CustomIcon) VALUES (?, ?, ?)"));
            for (int i = 1; i <= count; ++i) {
                query.addBindValue(QStringLiteral("Program %1").arg(i, 6, 10, QLatin1Char('0')));
                query.addBindValue(QStringLiteral("/opt/p%1").arg(i));
                query.addBindValue(i % 20 == 0 ? path(QStringLiteral("red.png")) : QString(""));
                query.exec();
            }
            conn.commit();
        }
        QSqlDatabase::removeDatabase(name);
    }

private:
    static void writePicture(const QString& file, Qt::GlobalColor color)
    {
        QImage image(32, 32, QImage::Format_ARGB32);
        image.fill(color);
        image.save(file, "PNG");
    }

    QTemporaryDir mDir;
};
