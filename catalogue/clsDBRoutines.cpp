#include "catalogue/clsDBRoutines.h"

#include "catalogue/AddedTable.h"
#include "catalogue/CatalogueChange.h"
#include "catalogue/CatalogueFile.h"
#include "catalogue/StoredIcon.h"
#include "platform/KestrelError.h"
#include "platform/RegularFile.h"
#include "platform/database/DatabaseLocation.h"
#include "settings/FileChecks.h"
#include "settings/clsEnvironment.h"

#include <QCoreApplication>
#include <QDate>
#include <QLocale>
#include <QSqlDatabase>
#include <QTimer>
#include <cmath>
#include <limits>

namespace {
const QString kSource = QStringLiteral("Kestrel.clsDBRoutines");
constexpr qint32 kTimeoutSeconds = 100;
// The one text of each write of a program; what each caller trims is its own rule.
const QString kInsertProgram =
    QStringLiteral("Insert into Program (Program_Name, Program_Desc, Program_Path, "
                   "Program_CustomIcon, Program_Added_Date) values (?, ?, ?, ?, ?)");
const QString kUpdateProgram =
    QStringLiteral("Update Program Set Program_Name = ?, Program_Desc = ?, Program_Path = ?, "
                   "Program_CustomIcon = ? where NAME_MATCHES");

qint32& lockWaitSeconds()
{
    static qint32 seconds = kTimeoutSeconds;
    return seconds;
}

bool& readOnlyRequested()
{
    static bool readOnly = false;
    return readOnly;
}

// A null QString binds as SQL NULL; the text columns hold empty text instead.
QString text(const QString& value)
{
    return value.isNull() ? QStringLiteral("") : value;
}

QString trimmed(const QString& value)
{
    return text(TrimSpaces(value));
}

// The runtime's whole-number conversion of a value taken as text: type mismatch for
// anything that is not a number, overflow outside -32768..32767, halves to even.
qint16 toInteger(const QVariant& value)
{
    const QString digits = TrimSpaces(value.toString());
    bool ok = false;
    double number = digits.toLongLong(&ok);
    if (!ok)
        number = digits.toDouble(&ok);
    if (!ok || !std::isfinite(number))
        throw KestrelError(KestrelErrorNumber::TypeMismatch, kSource,
                           QStringLiteral("Type mismatch"));
    const double rounded = std::nearbyint(number);
    if (rounded < std::numeric_limits<qint16>::min() ||
        rounded > std::numeric_limits<qint16>::max())
        throw KestrelError(KestrelErrorNumber::Overflow, kSource, QStringLiteral("Overflow"));
    return qint16(rounded);
}
} // namespace

clsDBRoutines::clsDBRoutines(const CatalogueLocation& location) : mLocation(location)
{
    openConnection();
}

clsDBRoutines::clsDBRoutines(const CatalogueLocation& location, OpenOnFirstStatement)
    : mLocation(location)
{
}

clsDBRoutines::~clsDBRoutines()
{
    closeConnection();
}

void clsDBRoutines::openConnection()
{
    mConnection = Connection();
    const CatalogueLocation& location = mLocation;
    mConnection.setCommandTimeout(lockWaitSeconds());
    mConnection.setConnectionTimeout(lockWaitSeconds());
    mConnection.setReadOnly(location.readOnly);
    mConnection.setConnectionString(location.path);
    mConnection.Open();
    // A server found to hold a catalogue once is not asked again each time the launcher
    // opens its connection for a read.
    if (mReachedServer)
        return;
    // An empty file or some other database opens as well; name the file and say what it
    // lacks, rather than fail later with the first query's "no such table".
    try {
        requireCatalogueTables(mConnection);
    } catch (const KestrelError& error) {
        mConnection.Close();
        // The server's SQLSTATE keeps the server as its source, so it is never read as a
        // SQLite code (see isCatalogueBusy).
        throw KestrelError(error.number(),
                           error.source() == serverErrorSource() ? error.source() : kSource,
                           QStringLiteral("Cannot open the catalogue database \"%1\": it holds "
                                          "no catalogue (%2). An empty file or another "
                                          "program's database is not a catalogue; "
                                          "kestrel-catalogue create makes one.")
                               .arg(location.path, error.description()));
    }
    mReachedServer = mConnection.IsServer();
}

void clsDBRoutines::setLockWait(qint32 seconds)
{
    mConnection.setCommandTimeout(seconds);
    mConnection.setConnectionTimeout(seconds);
}

void clsDBRoutines::closeConnection()
{
    if (isConnectionOpen(mConnection))
        mConnection.Close();
    mConnection = Connection();
}

bool clsDBRoutines::waitsForAServer() const
{
    return DatabaseLocation::looksLikeUri(mLocation.path) && !mReachedServer;
}

void clsDBRoutines::setCloseWhenIdle(bool close)
{
    if (!close || !DatabaseLocation::looksLikeUri(mLocation.path)) {
        mCloseWhenIdle.reset();
        return;
    }
    // A second spans the reads that follow one another (the list, then its search index)
    // with one connection. Record sets hold their rows, not the connection.
    mCloseWhenIdle = std::make_unique<QTimer>();
    mCloseWhenIdle->setSingleShot(true);
    mCloseWhenIdle->setInterval(1000);
    QObject::connect(mCloseWhenIdle.get(), &QTimer::timeout, [this] {
        if (mConnection.inTransaction())
            mCloseWhenIdle->start();
        else
            closeConnection();
    });
}

bool clsDBRoutines::isConnectionOpen(const Connection& connection)
{
    return connection.State() == Connection::adStateOpen;
}

Connection& clsDBRoutines::getConnection(Connection& connection)
{
    if (mCloseWhenIdle)
        mCloseWhenIdle->start();
    if (isConnectionOpen(connection))
        return connection;
    openConnection();
    return mConnection;
}

Recordset clsDBRoutines::newRecordset()
{
    return Recordset(getConnection(mConnection));
}

QString clsDBRoutines::statement(const QString& source)
{
    // Names match and sort as SQLite's NOCASE does on either engine; the connection says how.
    const Connection& connection = getConnection(mConnection);
    QString text = source;
    text.replace(QStringLiteral("NAME_MATCHES"),
                 connection.nameEquals(QStringLiteral("Program_Name")));
    text.replace(QStringLiteral("NAME_ORDER"),
                 connection.nameOrder(QStringLiteral("Program_Name")));
    return text;
}

Recordset clsDBRoutines::openRecordset(const QString& source, const QVariantList& parameters)
{
    Recordset rs = newRecordset();
    rs.setSource(statement(source));
    rs.setParameters(parameters);
    rs.Open();
    return rs;
}

QVariant clsDBRoutines::firstValue(const QString& source, const QString& column,
                                   const QString& name, bool& found)
{
    // The first of programs that share the name is the one added first, on either engine.
    Recordset rs = openRecordset(source + QStringLiteral(" Order by Program_Key"), {trimmed(name)});
    found = rs.RecordCount() != 0;
    return found ? rs.Fields(column) : QVariant();
}

QString clsDBRoutines::firstText(const QString& source, const QString& column, const QString& name)
{
    bool found = false;
    const QVariant value = firstValue(source, column, name, found);
    return found ? TrimSpaces(value.toString()) : QString();
}

Recordset clsDBRoutines::loadPrograms()
{
    QVariantList parameters;
    const QString filter = viewerFilter(parameters);
    return openRecordset(
        QStringLiteral("Select Program_Name, Program_CustomIcon,Program_Path from Program%1 Order "
                       "by NAME_ORDER, Program_Key")
            .arg(filter),
        parameters);
}

Recordset clsDBRoutines::loadProgramDescriptions()
{
    QVariantList parameters;
    const QString filter = viewerFilter(parameters);
    return openRecordset(
        QStringLiteral("Select Program_Name, Program_Desc from Program%1").arg(filter), parameters);
}

Recordset clsDBRoutines::loadProgram(const QString& mStrName)
{
    return openRecordset(
        QStringLiteral("Select * from Program where NAME_MATCHES Order by Program_Key"),
        {trimmed(mStrName)});
}

QString clsDBRoutines::getProgramDescription(const QString& mStrPrgName)
{
    return firstText(QStringLiteral("Select Program_Desc from Program where NAME_MATCHES"),
                     QStringLiteral("Program_Desc"), mStrPrgName);
}

QString clsDBRoutines::getCustomIconPath(const QString& mStrPrgName)
{
    return firstText(QStringLiteral("Select Program_CustomIcon from Program where NAME_MATCHES"),
                     QStringLiteral("Program_CustomIcon"), mStrPrgName);
}

bool clsDBRoutines::UseDefaultIcon(const QString& mStrPrgName)
{
    bool found = false;
    const QVariant value =
        firstValue(QStringLiteral("Select Program_UseDIcon from Program where NAME_MATCHES"),
                   QStringLiteral("Program_UseDIcon"), mStrPrgName, found);
    // The system never writes this column; a null found there counts as "not set".
    if (!found || value.isNull())
        return false;
    return IsPositive(toInteger(value));
}

Recordset clsDBRoutines::LoadProgramOptions(const QString& mStrPrgName)
{
    const qint16 key = getProgramKey(TrimSpaces(mStrPrgName));
    return openRecordset(QStringLiteral("Select Program_Option_Use_OpenWith as OpenWith from "
                                        "Program_Options where Program_Key = ?"),
                         {int(key)});
}

qint16 clsDBRoutines::getProgramKey(const QString& mStrName)
{
    bool found = false;
    const QVariant value =
        firstValue(QStringLiteral("Select Program_Key from Program where NAME_MATCHES"),
                   QStringLiteral("Program_Key"), mStrName, found);
    if (!found || value.isNull())
        return 0;
    return toInteger(value);
}

Recordset clsDBRoutines::loadProperties(const QString& mStrName)
{
    return openRecordset(
        QStringLiteral("Select Program_Name as ProgramName, Program_Path as ProgramPath, "
                       "Program_Added_Date as AddedDate, Program_CustomIcon as Icon from Program "
                       "where NAME_MATCHES Order by Program_Key"),
        {trimmed(mStrName)});
}

QString clsDBRoutines::getProgramPath(const QString& mStrName)
{
    return firstText(QStringLiteral("Select Program_Path from Program where NAME_MATCHES"),
                     QStringLiteral("Program_Path"), mStrName);
}

bool clsDBRoutines::programNameExists(const QString& mStrName, const QString& mStrOwnName)
{
    // Matched as every lookup matches, so that the name index answers on either engine.
    Recordset rs =
        openRecordset(QStringLiteral("Select count(*) as Found from Program where NAME_MATCHES"),
                      {trimmed(mStrName)});
    const bool found = rs.Fields(QStringLiteral("Found")).toLongLong() > 0;
    rs.Close();
    // A program may take its own name in other letter case.
    return found && programNameKey(mStrName) != programNameKey(mStrOwnName);
}

void clsDBRoutines::inOneStep(const std::function<void()>& work)
{
    Connection& connection = getConnection(mConnection);
    if (connection.inTransaction()) {
        work();
        return;
    }
    connection.BeginTrans();
    try {
        // The file's transaction holds its write lock from the start. On the server, other
        // writers wait here while readers go on, so that a name found free is still free
        // when it is stored, and keys are handed out one writer at a time.
        if (connection.IsServer())
            openRecordset(QStringLiteral("Lock table Program in share row exclusive mode"), {});
        work();
        connection.CommitTrans();
    } catch (const KestrelError&) {
        try {
            connection.RollbackTrans();
        } catch (const KestrelError&) {
            // The engine already ended the transaction; the first failure is what matters.
        }
        throw;
    }
}

bool clsDBRoutines::attemptWrite(const std::function<void()>& write)
{
    mLastWriteError.reset();
    mLastWriteFailure.clear();
    try {
        addChangeStampOnce();
        write();
        return true;
    } catch (const KestrelError& error) {
        mLastWriteError = error;
        mLastWriteFailure = QStringLiteral("The catalogue \"%1\" was not changed: %2")
                                .arg(mConnection.ConnectionString(), error.description());
        return false;
    }
}

Recordset clsDBRoutines::insertProgram(const ProgramRecord& program)
{
    const QString added = program.added.isEmpty() ? QLocale::system().toString(QDate::currentDate(),
                                                                               QLocale::ShortFormat)
                                                  : program.added;
    return openRecordset(kInsertProgram, {trimmed(program.name), text(program.description),
                                          text(program.path), text(program.icon), text(added)});
}

Recordset clsDBRoutines::updatePrograms(const ProgramUpdate& update)
{
    const ProgramRecord& p = update.record;
    return openRecordset(kUpdateProgram, {trimmed(p.name), text(p.description), text(p.path),
                                          text(p.icon), text(update.storedName)});
}

bool clsDBRoutines::deleteProgram(const QString& mStrName)
{
    return attemptWrite([&] {
        openRecordset(QStringLiteral("Delete from Program where NAME_MATCHES"), {text(mStrName)});
        // Then the pictures of programs that are gone (also those that writers unaware of
        // them left): keys are never reused, so one left behind would only take room.
        if (hasStoredIcons())
            openRecordset(QStringLiteral("Delete from Program_Icon where Program_Key not in "
                                         "(Select Program_Key from Program)"),
                          {});
        if (hasAudiences())
            openRecordset(QStringLiteral("Delete from Program_Audience where Program_Key not in "
                                         "(Select Program_Key from Program)"),
                          {});
    });
}

void clsDBRoutines::addRow(const QString& mStrName, const QString& mStrDesc,
                           const QString& mStrProgramPath, const QString& mStrIconPath)
{
    // One bound statement: appending costs the same however many programs there are.
    insertProgram({mStrName,
                   TrimSpaces(mStrDesc),
                   TrimSpaces(mStrProgramPath),
                   TrimSpaces(mStrIconPath),
                   {}});
}

void clsDBRoutines::updateRows(const QString& mStrOldName, const QString& mStrName,
                               const QString& mStrDesc, const QString& mStrProgramPath,
                               const QString& mStrIconPath)
{
    const ProgramUpdate update{mStrOldName,
                               {mStrName, mStrDesc, TrimSpaces(mStrProgramPath), mStrIconPath, {}}};
    // No row with the old name: the program went away meanwhile and the edits would be lost.
    if (updatePrograms(update).RecordsAffected() == 0)
        throw KestrelError(DatabaseErrorNumber::NoCurrentRecord, kSource,
                           QStringLiteral("no program is named \"%1\" any more; another "
                                          "program may have deleted or renamed it.")
                               .arg(TrimSpaces(mStrOldName)));
}

bool clsDBRoutines::addProgram(const QString& mStrName, const QString& mStrDesc,
                               const QString& mStrProgramPath, const QString& mStrIconPath)
{
    return attemptWrite([&] { addRow(mStrName, mStrDesc, mStrProgramPath, mStrIconPath); });
}

bool clsDBRoutines::updateProgram(const QString& mStrOldName, const QString& mStrName,
                                  const QString& mStrDesc, const QString& mStrProgramPath,
                                  const QString& mStrIconPath)
{
    return attemptWrite(
        [&] { updateRows(mStrOldName, mStrName, mStrDesc, mStrProgramPath, mStrIconPath); });
}

clsDBRoutines::NamedWrite clsDBRoutines::writeIfNameFree(const QString& mStrName,
                                                         const QString& mStrOwnName,
                                                         const QString& mStrIconPath,
                                                         const std::function<void()>& write)
{
    bool taken = false;
    const bool done = attemptWrite([&] {
        // Read before the step: an icon over the cap is refused with nothing changed.
        const std::optional<QByteArray> picture = readIconForCatalogue(TrimSpaces(mStrIconPath));
        inOneStep([&] {
            taken = programNameExists(mStrName, mStrOwnName);
            if (taken)
                return;
            const QString previousIcon =
                mStrOwnName.isNull() ? QString() : getCustomIconPath(mStrOwnName);
            write();
            storeIcon(mStrName, mStrIconPath, picture, previousIcon);
        });
    });
    return taken ? NamedWrite::Taken : done ? NamedWrite::Done : NamedWrite::Failed;
}

clsDBRoutines::NamedWrite clsDBRoutines::addProgramIfNameFree(const QString& mStrName,
                                                              const QString& mStrDesc,
                                                              const QString& mStrProgramPath,
                                                              const QString& mStrIconPath)
{
    return writeIfNameFree(mStrName, {}, mStrIconPath,
                           [&] { addRow(mStrName, mStrDesc, mStrProgramPath, mStrIconPath); });
}

clsDBRoutines::NamedWrite clsDBRoutines::updateProgramIfNameFree(const QString& mStrOldName,
                                                                 const QString& mStrName,
                                                                 const QString& mStrDesc,
                                                                 const QString& mStrProgramPath,
                                                                 const QString& mStrIconPath)
{
    return writeIfNameFree(mStrName, mStrOldName, mStrIconPath, [&] {
        updateRows(mStrOldName, mStrName, mStrDesc, mStrProgramPath, mStrIconPath);
    });
}

clsDBRoutines::NamedWrite clsDBRoutines::addProgramIfNameFree(const QString& mStrName,
                                                              const QString& mStrDesc,
                                                              const QString& mStrProgramPath,
                                                              const QString& mStrIconPath,
                                                              const QStringList& audiences)
{
    return writeIfNameFree(mStrName, {}, mStrIconPath, [&] {
        addRow(mStrName, mStrDesc, mStrProgramPath, mStrIconPath);
        storeAudiences(mStrName, audiences);
    });
}

clsDBRoutines::NamedWrite
clsDBRoutines::updateProgramIfNameFree(const QString& mStrOldName, const QString& mStrName,
                                       const QString& mStrDesc, const QString& mStrProgramPath,
                                       const QString& mStrIconPath, const QStringList& audiences)
{
    return writeIfNameFree(mStrName, mStrOldName, mStrIconPath, [&] {
        updateRows(mStrOldName, mStrName, mStrDesc, mStrProgramPath, mStrIconPath);
        storeAudiences(mStrName, audiences);
    });
}

QList<ProgramRecord> clsDBRoutines::loadCatalogue(Pictures pictures)
{
    const bool icons = pictures != Pictures::Without && hasStoredIcons();
    QString iconColumn;
    if (icons)
        iconColumn =
            pictures == Pictures::With
                ? QStringLiteral(", Icon_Data")
                : QStringLiteral(", substr(Icon_Data, 1, %1) as Icon_Data").arg(kPictureHeadBytes);
    QVariantList parameters;
    const QString filter = viewerFilter(parameters);
    Recordset rs = openRecordset(
        QStringLiteral("Select Program_Name, Program_Desc, Program_Path, Program_CustomIcon, "
                       "Program_Added_Date%1 from Program%2%3 Order by NAME_ORDER, "
                       "Program.Program_Key")
            .arg(iconColumn,
                 icons ? QStringLiteral(" left join Program_Icon on Program_Icon.Program_Key = "
                                        "Program.Program_Key")
                       : QString(),
                 filter),
        parameters);
    QList<ProgramRecord> programs;
    programs.reserve(rs.RecordCount());
    const auto textOf = [&rs](const char* column) {
        return text(rs.Fields(QString::fromLatin1(column)).toString());
    };
    const QHash<QString, QStringList> audiences = loadAllAudiences();
    for (; !rs.Eof(); rs.MoveNext())
        programs.append(
            {textOf("Program_Name"), textOf("Program_Desc"), textOf("Program_Path"),
             textOf("Program_CustomIcon"), textOf("Program_Added_Date"),
             icons ? rs.Fields(QStringLiteral("Icon_Data")).toByteArray() : QByteArray(),
             audiences.value(programNameKey(textOf("Program_Name")))});
    return programs;
}

void clsDBRoutines::storePrograms(const QList<ProgramRecord>& additions,
                                  const QList<ProgramUpdate>& updates)
{
    const auto picture = [](const ProgramRecord& program) {
        return program.picture.isEmpty() ? std::nullopt
                                         : std::optional<QByteArray>(program.picture);
    };
    addChangeStampOnce();
    inOneStep([&] {
        for (const ProgramUpdate& update : updates) {
            const QString previousIcon = getCustomIconPath(update.storedName);
            updatePrograms(update);
            storeIcon(update.record.name, update.record.icon, picture(update.record), previousIcon);
            storeAudiences(update.record.name, update.record.audiences);
        }
        for (const ProgramRecord& program : additions) {
            insertProgram(program);
            if (!program.picture.isEmpty())
                storeIcon(program.name, program.icon, picture(program), {});
            if (!program.audiences.isEmpty())
                storeAudiences(program.name, program.audiences);
        }
    });
}

bool clsDBRoutines::hasStoredIcons()
{
    if (!mStoredIconTable)
        mStoredIconTable = storedIconTableExists(getConnection(mConnection));
    return mStoredIconTable;
}

QHash<QString, QString> clsDBRoutines::loadStoredIconDigests()
{
    QHash<QString, QString> digests;
    if (!hasStoredIcons())
        return digests;
    Recordset rs = openRecordset(
        QStringLiteral("Select Program_Name, Icon_Digest from Program join Program_Icon on "
                       "Program_Icon.Program_Key = Program.Program_Key Order by "
                       "Program.Program_Key"),
        {});
    for (; !rs.Eof(); rs.MoveNext())
        digests.insert(programNameKey(rs.Fields(QStringLiteral("Program_Name")).toString()),
                       rs.Fields(QStringLiteral("Icon_Digest")).toString());
    return digests;
}

QHash<QString, QByteArray> clsDBRoutines::loadStoredIcons(const QSet<QString>& digests)
{
    QHash<QString, QByteArray> icons;
    if (digests.isEmpty() || !hasStoredIcons())
        return icons;
    // Only the pictures asked for, each once however many programs share it, in batches
    // that stay under the engines' limits on parameters.
    const QList<QString> wanted(digests.begin(), digests.end());
    constexpr qsizetype kBatch = 500;
    for (qsizetype from = 0; from < wanted.size(); from += kBatch) {
        const QList<QString> batch = wanted.mid(from, kBatch);
        QStringList marks(batch.size(), QStringLiteral("?"));
        Recordset rs = openRecordset(
            QStringLiteral("Select Icon_Digest, Icon_Data from Program_Icon where Program_Key in "
                           "(Select min(Program_Key) from Program_Icon where Icon_Digest in (%1) "
                           "Group by Icon_Digest)")
                .arg(marks.join(u',')),
            QVariantList(batch.begin(), batch.end()));
        for (; !rs.Eof(); rs.MoveNext())
            icons.insert(rs.Fields(QStringLiteral("Icon_Digest")).toString(),
                         rs.Fields(QStringLiteral("Icon_Data")).toByteArray());
    }
    return icons;
}

QByteArray clsDBRoutines::loadStoredIcon(const QString& mStrName)
{
    if (!hasStoredIcons())
        return {};
    Recordset rs = openRecordset(
        QStringLiteral(
            "Select Icon_Data from Program join Program_Icon on Program_Icon.Program_Key "
            "= Program.Program_Key where NAME_MATCHES Order by Program.Program_Key"),
        {trimmed(mStrName)});
    return rs.RecordCount() ? rs.Fields(QStringLiteral("Icon_Data")).toByteArray() : QByteArray();
}

void clsDBRoutines::storeIcon(const QString& mStrName, const QString& mStrIconPath,
                              const std::optional<QByteArray>& picture, const QString& previousIcon)
{
    const QString icon = TrimSpaces(mStrIconPath);
    if (!picture && (!hasStoredIcons() || (!icon.isEmpty() && icon == TrimSpaces(previousIcon))))
        return;
    if (!hasStoredIcons()) {
        createStoredIconTable(getConnection(mConnection));
        mStoredIconTable = true;
    }
    openRecordset(QStringLiteral("Delete from Program_Icon where Program_Key in (Select "
                                 "Program_Key from Program where NAME_MATCHES)"),
                  {trimmed(mStrName)});
    if (!picture)
        return;
    // Every program of the name: the rows an update changed together.
    Recordset keys = openRecordset(
        QStringLiteral("Select Program_Key from Program where NAME_MATCHES"), {trimmed(mStrName)});
    const QString digest = storedIconDigest(*picture);
    for (; !keys.Eof(); keys.MoveNext())
        openRecordset(QStringLiteral("Insert into Program_Icon (Program_Key, Icon_Digest, "
                                     "Icon_Data) values (?, ?, ?)"),
                      {keys.Fields(QStringLiteral("Program_Key")), digest, *picture});
}

bool clsDBRoutines::hasAudiences()
{
    if (!mAudienceTable)
        mAudienceTable =
            addedTableExists(getConnection(mConnection), QStringLiteral("Program_Audience"));
    return mAudienceTable;
}

QStringList clsDBRoutines::loadAudiences(const QString& mStrName)
{
    if (!hasAudiences())
        return {};
    Recordset rs = openRecordset(
        QStringLiteral("Select Audience from Program_Audience where Program_Key = (Select "
                       "min(Program_Key) from Program where NAME_MATCHES)"),
        {trimmed(mStrName)});
    QStringList audiences;
    for (; !rs.Eof(); rs.MoveNext())
        audiences.append(rs.Fields(QStringLiteral("Audience")).toString());
    audiences.sort();
    return audiences;
}

QHash<QString, QStringList> clsDBRoutines::loadAllAudiences()
{
    QHash<QString, QStringList> audiences;
    if (!hasAudiences())
        return audiences;
    Recordset rs = openRecordset(
        QStringLiteral("Select Program.Program_Key as Program_Key, Program_Name, Audience from "
                       "Program join Program_Audience on Program_Audience.Program_Key = "
                       "Program.Program_Key Order by Program.Program_Key"),
        {});
    QHash<QString, qint64> firstKey; // of each name: later programs of the name are left out
    for (; !rs.Eof(); rs.MoveNext()) {
        const QString name = programNameKey(rs.Fields(QStringLiteral("Program_Name")).toString());
        const qint64 key = rs.Fields(QStringLiteral("Program_Key")).toLongLong();
        if (firstKey.value(name, key) != key)
            continue;
        firstKey.insert(name, key);
        audiences[name].append(rs.Fields(QStringLiteral("Audience")).toString());
    }
    for (QStringList& list : audiences)
        list.sort();
    return audiences;
}

void clsDBRoutines::storeAudiences(const QString& mStrName, const QStringList& audiences)
{
    const QStringList stored = normalizedAudiences(audiences);
    for (const QString& spec : stored)
        if (const std::optional<QString> problem = audienceProblem(spec))
            throw KestrelError(KestrelErrorNumber::InvalidProcedureCall, kSource, *problem);
    if (!hasAudiences()) {
        if (stored.isEmpty())
            return;
        createAddedTable(getConnection(mConnection), QStringLiteral("Program_Audience"),
                         QStringLiteral("programs had audiences"));
        mAudienceTable = true;
    }
    openRecordset(QStringLiteral("Delete from Program_Audience where Program_Key in (Select "
                                 "Program_Key from Program where NAME_MATCHES)"),
                  {trimmed(mStrName)});
    if (stored.isEmpty())
        return;
    // Every program of the name: the rows an update changed together.
    Recordset keys = openRecordset(
        QStringLiteral("Select Program_Key from Program where NAME_MATCHES"), {trimmed(mStrName)});
    for (; !keys.Eof(); keys.MoveNext())
        for (const QString& spec : stored)
            openRecordset(QStringLiteral(
                              "Insert into Program_Audience (Program_Key, Audience) values (?, ?)"),
                          {keys.Fields(QStringLiteral("Program_Key")), spec});
}

bool clsDBRoutines::setAudiences(const QString& mStrName, const QStringList& audiences)
{
    return attemptWrite([&] {
        inOneStep([&] {
            if (!programNameExists(mStrName))
                throw KestrelError(DatabaseErrorNumber::NoCurrentRecord, kSource,
                                   QStringLiteral("no program is named \"%1\"; another program "
                                                  "may have deleted or renamed it.")
                                       .arg(TrimSpaces(mStrName)));
            storeAudiences(mStrName, audiences);
        });
    });
}

void clsDBRoutines::setViewer(std::optional<Viewer> viewer)
{
    mViewer = std::move(viewer);
}

QString clsDBRoutines::viewerFilter(QVariantList& parameters)
{
    if (!mViewer || !hasAudiences())
        return {};
    // Host patterns are matched here, against the few distinct ones the catalogue holds, so
    // that the statements compare texts only and the engines need no pattern rules.
    Recordset hosts = openRecordset(QStringLiteral("Select distinct Audience from "
                                                   "Program_Audience where Audience like 'host:%'"),
                                    {});
    if (hosts.RecordCount() > 0)
        resolveFullHostName(*mViewer);
    QStringList matching;
    if (!mViewer->user.isEmpty())
        matching.append(QStringLiteral("user:") + mViewer->user);
    for (const QString& group : mViewer->groups)
        matching.append(QStringLiteral("group:") + group);
    for (; !hosts.Eof(); hosts.MoveNext()) {
        const QString spec = hosts.Fields(QStringLiteral("Audience")).toString();
        if (hostAudienceMatches(spec, *mViewer))
            matching.append(spec);
    }
    // The programs hidden from the viewer: every one with audiences, none of them the viewer's.
    // One pass over the audiences in key order makes the set; when it is empty (no audiences,
    // or all of them the viewer's) the list is read as a plain one, without a lookup per row.
    QVariantList values(matching.begin(), matching.end());
    const QString hidden =
        QStringLiteral("Select Program_Key from Program_Audience Group by Program_Key having "
                       "max(case when Audience in (%1) then 1 else 0 end) = 0")
            .arg(matching.isEmpty() ? QStringLiteral("''")
                                    : QStringList(matching.size(), QStringLiteral("?")).join(u','));
    if (openRecordset(QStringLiteral("Select count(*) as Hidden from (%1) h").arg(hidden), values)
            .Fields(QStringLiteral("Hidden"))
            .toLongLong() == 0)
        return {};
    parameters += values;
    return QStringLiteral(" where Program.Program_Key not in (%1)").arg(hidden);
}

QString clsDBRoutines::changeStamp()
{
    return readChangeStamp(getConnection(mConnection));
}

void clsDBRoutines::addChangeStampOnce()
{
    // Outside a transaction only: a failed attempt there would end the writer's work.
    if (mLocation.readOnly)
        return;
    Connection& connection = getConnection(mConnection);
    if (mChangeStampAdded || connection.inTransaction())
        return;
    addChangeStamp(connection);
    mChangeStampAdded = true;
}

namespace {
std::unique_ptr<clsDBRoutines>& instance()
{
    // Touching Qt SQL first makes its connection registry outlive this object, whose
    // destruction at exit still has a connection to remove.
    static const bool sqlFirst = (QSqlDatabase::connectionNames(), true);
    Q_UNUSED(sqlFirst);
    static std::unique_ptr<clsDBRoutines> routines;
    return routines;
}
} // namespace

CatalogueLocation catalogueLocation(const clsEnvironment& settings, bool readOnly)
{
    const QString path = settings.DatabasePath();
    // The settings refuse a location that does not exist and leave the path empty; say
    // which file was meant rather than that no file was named.
    const QString named = settings.ConfiguredDatabasePath();
    if (path.isEmpty() && DatabaseLocation::looksLikeUri(named)) {
        const DatabaseLocation location = DatabaseLocation::parse(named);
        throw KestrelError(KestrelErrorNumber::InvalidDatabasePath, kSource,
                           QStringLiteral("The settings file \"%1\" names a catalogue location "
                                          "that cannot be used, \"%2\": %3")
                               .arg(settingsFilePath(), location.display(), location.problem));
    }
    if (path.isEmpty() && !named.isEmpty()) {
        const QString kind = platform::notRegularFileReason(named);
        throw KestrelError(KestrelErrorNumber::FileNotFound, kSource,
                           kind.isEmpty()
                               ? QStringLiteral("Cannot open the catalogue database \"%1\": "
                                                "there is no such file.")
                                     .arg(named)
                               : QStringLiteral("Cannot open the catalogue database \"%1\": it "
                                                "is %2, not a database file.")
                                     .arg(named, kind));
    }
    return {path, readOnly};
}

clsDBRoutines& openDBRoutines(const CatalogueLocation& location)
{
    std::unique_ptr<clsDBRoutines>& routines = instance();
    routines = std::make_unique<clsDBRoutines>(location, clsDBRoutines::OnFirstStatement);
    // A program that forgets releaseDBRoutines still closes the connection while Qt's
    // SQL driver is loaded: the application object releases it when it goes.
    static QCoreApplication* releasesAtExit = nullptr;
    if (QCoreApplication* app = QCoreApplication::instance(); app && app != releasesAtExit) {
        qAddPostRoutine(releaseDBRoutines);
        releasesAtExit = app;
    }
    return *routines;
}

clsDBRoutines& gDBRoutines()
{
    if (!instance())
        return openDBRoutines(catalogueLocation(gEnvironment(), readOnlyRequested()));
    return *instance();
}

void releaseDBRoutines()
{
    instance().reset();
}

qint32 catalogueLockWait()
{
    return lockWaitSeconds();
}

void setCatalogueLockWait(qint32 seconds)
{
    lockWaitSeconds() = seconds;
}

CatalogueWithoutWaiting::CatalogueWithoutWaiting() : mWait(lockWaitSeconds())
{
    lockWaitSeconds() = 0;
    if (instance())
        instance()->setLockWait(0);
}

CatalogueWithoutWaiting::~CatalogueWithoutWaiting()
{
    lockWaitSeconds() = mWait;
    if (instance())
        instance()->setLockWait(mWait);
}

void setCatalogueReadOnly(bool readOnly)
{
    readOnlyRequested() = readOnly;
}

bool catalogueReadOnly()
{
    return readOnlyRequested();
}
