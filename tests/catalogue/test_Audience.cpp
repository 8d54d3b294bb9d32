#include "catalogue/clsDBRoutines.h"
#include "platform/identity/Identity.h"
#include "tests/support/Sql.h"
#include "tests/support/TestMain.h"
#include "tests/support/TestServer.h"

#include <QProcess>
#include <grp.h>
#include <memory>
#include <numeric>

namespace {
// The programs db lists, then how many descriptions it reads: "A,B/2".
QString seen(clsDBRoutines& db)
{
    QStringList all;
    for (Recordset rs = db.loadPrograms(); !rs.Eof(); rs.MoveNext())
        all.append(rs.Fields("Program_Name").toString());
    return all.join(u',') + u'/' + QString::number(db.loadProgramDescriptions().RecordCount());
}
} // namespace

// Who sees which program: the rules, the table on both engines, real users. The tool's
// audiences: test_kestrel_catalogue::audiences.
class test_Audience : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> mDir;
    std::unique_ptr<testdb::Catalogue> mCatalogue;
    QString mPath;

    void add(clsDBRoutines& db, const QString& name, const QStringList& audiences)
    {
        QCOMPARE(db.addProgramIfNameFree(name, "d", "/bin/" + name, "", audiences),
                 clsDBRoutines::NamedWrite::Done);
    }
    // The programs a launcher's read lists when run as nobody or as this test's user.
    QString listAs(bool nobody)
    {
        QProcess child;
        child.setProcessChannelMode(QProcess::MergedChannels); // an error read as well
        if (nobody)
            child.setChildProcessModifier([] {
                if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
                    ::_exit(99);
            });
        child.start(mDir->filePath("test_Audience"), {"--list", mPath});
        child.waitForFinished(60000);
        return QString::fromUtf8(child.readAll()).trimmed();
    }

private slots:
    void init()
    {
        mDir = std::make_unique<QTemporaryDir>();
        REQUIRE_ENGINE(testdb::engineOfRow());
        mCatalogue = std::make_unique<testdb::Catalogue>(testdb::engineOfRow(), mDir->path());
        mPath = mCatalogue->location();
    }
    void cleanup() { mCatalogue.reset(); }

    // Groups from the user database, primary first; getgrouplist's buffer grows to fit. Host
    // patterns (the launcher matches users and groups in its statement) take full names in
    // any case and brackets; an unclosed bracket is a letter.
    void identity()
    {
        QCOMPARE(identity::groupsOf("root").value(0), "root");
        QCOMPARE(viewerFor("no-such-user-kestrel").groups, QStringList());
        QVERIFY(audienceNamesSomebody("user:nobody"));
        const Viewer lab{"alice", {}, {"lab2-07", "lab2-07.school.example"}};
        for (const auto& [host, shown] : {std::pair{"host:*.SCHOOL.example", true},
                                          {"host:lab[12]-0[0-9]", true},
                                          {"host:lab2-0[7", false}})
            QVERIFY2(hostAudienceMatches(host, lab) == shown, host);
        for (const group* g = (::setgrent(), ::getgrent()); g; g = ::getgrent())
            if (g->gr_mem && g->gr_mem[0]) { // a supplementary member
                QVERIFY(identity::groupsOf(g->gr_mem[0]).contains(g->gr_name));
                break;
            }
        ::endgrent();
        const auto thousand = [](const char*, gid_t first, gid_t* ids, int* count) {
            const int had = std::exchange(*count, 1000);
            std::iota(ids, ids + std::min(had, 1000), first);
            return had >= 1000 ? 1000 : -1;
        };
        QCOMPARE(identity::groupIds("u", 5, thousand).back(), gid_t(1004)); // the 1,000th
        for (const char* bad : {"staff", "group:", "Group:x", "user:a b", "host:lab\\"})
            QVERIFY2(audienceProblem(bad).value_or("").contains("group:NAME, user:NAME or host:"),
                     bad);
        QVERIFY(!audienceProblem("host:lab\\\\") && !audienceProblem("host:lab[2"));
    }

    // A catalogue from before audiences lists everything; the first audience makes the table;
    // a refresh sees the change and deletes take them (copy, export and import carry them:
    // test_kestrel_catalogue::storedIcons, jsonRoundTrip).
    void storage_data() { testdb::addEngineRows(); }
    void storage()
    {
        sql(mPath, "DROP TABLE Program_Audience");
        clsDBRoutines db({mPath});
        for (const char* name : {"Open", "Staff", "Lab"})
            add(db, name, {});
        clsDBRoutines launcher({mPath, true});
        launcher.setViewer(Viewer{"pupil", {"pupils"}, {"lab2-07"}});
        QCOMPARE(seen(launcher), "Lab,Open,Staff/3");
        const QString before = launcher.changeStamp();
        QVERIFY2(db.setAudiences("staff ", {"user:head", "group:staff", "group:staff"}),
                 qPrintable(db.lastWriteFailure()));
        QVERIFY(!db.setAudiences("Lab", {"lab2"}) && db.lastWriteError());
        QVERIFY(db.setAudiences("Lab", {"host:lab2-*"}));
        QVERIFY(launcher.changeStamp() != before);
        QCOMPARE(db.loadAudiences("STAFF"), QStringList({"group:staff", "user:head"}));
        QCOMPARE(seen(launcher), "Lab,Open/2");
        launcher.setViewer(Viewer{"head", {}, {"lab3-01"}});
        QCOMPARE(seen(launcher), "Open,Staff/2");
        const QString stamp = launcher.changeStamp();
        QVERIFY(db.deleteProgram("Staff") && db.setAudiences("Lab", {}));
        QCOMPARE(sql(mPath, "SELECT count(*) FROM Program_Audience").value(0).toInt(), 0);
        QVERIFY(launcher.changeStamp() != stamp);
    }

    // The launcher's read as two real users: root (in group root) and nobody (not).
    void realUsers_data() { testdb::addEngineRows(); }
    void realUsers()
    {
        if (::geteuid() != 0)
            QSKIP("run as root, to run as nobody as well");
        clsDBRoutines db({mPath});
        add(db, "Everyone", {});
        add(db, "Root", {"group:root"});
        add(db, "Nobody", {"user:nobody"});
        add(db, "Here", {"host:" + identity::hostName().left(1) + "*"});
        add(db, "Elsewhere", {"host:no-such-host-*"});
        QFile::copy(QCoreApplication::applicationFilePath(), mDir->filePath("test_Audience"));
        QFile::setPermissions(mDir->path(), QFileDevice::Permissions(0x7755));
        QFile::setPermissions(mPath, QFileDevice::Permissions(0x6444));
        QCOMPARE(listAs(false), "Everyone,Here,Root/3");
        QCOMPARE(listAs(true), "Everyone,Here,Nobody/3");
    }
};

int main(int argc, char** argv)
{
    kestreltest::isolateUserFolders();
    QCoreApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--list") == 0) {
        clsDBRoutines db({QString::fromLocal8Bit(argv[2]), true});
        db.setViewer(currentViewer()); // as the launcher's start-up does
        QTextStream(stdout) << seen(db) << Qt::endl;
        return 0;
    }
    test_Audience test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_Audience.moc"
