#include "settings/clsIniFile.h"

#include "platform/KestrelError.h"
#include "platform/Text.h"
#include "platform/profile/Profile.h"
#include "platform/profile/ProfileText.h"
#include "settings/FileChecks.h"
#include "settings/ProgramLocation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <utility>

namespace profile = platform::profile;

namespace {
const QString kErrorSource = QStringLiteral("Kestrel.clsIniFile");
const QChar kNull(u'\0');
clsIniFile::LogicErrorHandler gLogicErrorHandler;

// "?" matches one character, "*" any run of characters (also none).
bool wildcardMatch(QStringView pattern, QStringView name)
{
    qsizetype p = 0, n = 0;
    qsizetype starP = -1, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            starP = p++;
            starN = n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

// Ordinary visible files only: no folders, dot-files, sockets, devices or dangling links.
bool isOrdinaryVisibleFile(const QFileInfo& info)
{
    return info.isFile() && !info.fileName().startsWith(u'.');
}

// First letter of each blank-separated word upper case, the rest lower case.
QString properCase(const QString& text)
{
    QString result = text.toLower();
    bool wordStart = true;
    for (QChar& c : result) {
        if (c.isSpace()) {
            wordStart = true;
        } else if (wordStart) {
            c = c.toUpper();
            wordStart = false;
        }
    }
    return result;
}

qint16 checkedCount(qint32 count)
{
    if (count > 32767)
        throw KestrelError(KestrelErrorNumber::Overflow, kErrorSource, QStringLiteral("Overflow"));
    return qint16(count);
}

QString nullSeparated(const QStringList& items)
{
    QString result;
    for (const QString& item : items) {
        result += item;
        result += kNull;
    }
    result += kNull;
    return result;
}
} // namespace

clsIniFile::clsIniFile()
{
    const QFileInfo executable(programExecutablePath());
    const QString exeName = executable.completeBaseName();
    if (TrimSpaces(exeName).isEmpty())
        return;
    setFullPath(
        platform::joinPath(ResolvePath(executable.absolutePath()), properCase(exeName) + ".ini"));
    // Directly, not through setSectionName: a new object is not yet usable for entries.
    mSectionName = QStringLiteral("General");
}

void clsIniFile::setFullPath(const QString& NewPath)
{
    mPrivPath = NewPath;
    mFullPath = NewPath;
    mFilePath = ExtractPath(mFullPath);
    mFileName = ExtractName(mFullPath, 1);
    mFileExt = ExtractName(mFullPath, 2);
    mBSectionSet = !TrimSpaces(mSectionName).isEmpty();
    mUseWinINI = false;
}

void clsIniFile::setSectionName(const QString& SetSection)
{
    mSectionName = SetSection;
    mBSectionSet = !TrimSpaces(SetSection).isEmpty();
}

void clsIniFile::setUseWinINI(bool bChoice)
{
    if (bChoice == mUseWinINI)
        return;
    if (bChoice) {
        mUseWinINI = true;
        mFullPath = platform::joinPath(profile::GetWindowsDirectory(), QStringLiteral("WIN.INI"));
        mFilePath = ExtractPath(mFullPath);
        mFileName = ExtractName(mFullPath, 1);
        mFileExt = ExtractName(mFullPath, 2);
    } else {
        setFullPath(mPrivPath);
    }
}

QString clsIniFile::ExtractName(const QString& PathIn, qint32 RetChoice) const
{
    const QString path = PathIn.isEmpty() ? mFullPath : PathIn;
    const QString name = path.mid(path.lastIndexOf(u'/') + 1);
    const qsizetype dot = name.indexOf(u'.');
    if (dot >= 0 && RetChoice == 1)
        return name.left(dot);
    if (dot >= 0 && RetChoice == 2)
        return name.mid(dot + 1);
    return name;
}

QString clsIniFile::ExtractPath(const QString& PathIn) const
{
    const QString path = PathIn.isEmpty() ? mFullPath : PathIn;
    const qsizetype slash = path.lastIndexOf(u'/');
    QString folder = slash >= 0 ? path.left(slash) : QDir::currentPath();
    if (folder.endsWith(u'/'))
        folder.chop(1);
    return folder;
}

QString clsIniFile::ResolvePath(const QString& p)
{
    if (p.isEmpty())
        return QString();
    if (p == QStringLiteral("/"))
        return p;
    // Linux stores names exactly as given, so resolving only confirms that every
    // component exists; a path with a missing component resolves to "".
    QString built = p;
    while (built.size() > 1 && built.endsWith(u'/'))
        built.chop(1);
    for (qsizetype slash = built.indexOf(u'/', 1);; slash = built.indexOf(u'/', slash + 1)) {
        const QString prefix = slash < 0 ? built : built.left(slash);
        if (!QFileInfo::exists(prefix))
            return QString();
        if (slash < 0)
            break;
    }
    return built;
}

bool clsIniFile::checkSectionSet() const
{
    if (!mBSectionSet)
        ReportSectionNotSet();
    return mBSectionSet;
}

clsIniFile::LogicErrorHandler clsIniFile::setLogicErrorHandler(LogicErrorHandler handler)
{
    return std::exchange(gLogicErrorHandler, std::move(handler));
}

void clsIniFile::ReportSectionNotSet()
{
    const platform::MsgRequest request{
        QStringLiteral("[Section] and FileName Not Registered in Private.Ini!"),
        QStringLiteral("IniFile Logic Error"),
        platform::MsgIcon::Information,
        platform::MsgButtons::Ok,
        {},
        0};
    if (gLogicErrorHandler)
        gLogicErrorHandler(request);
    else
        std::fprintf(stderr, "%s: %s\n", qUtf8Printable(request.title),
                     qUtf8Printable(request.text));
}

bool clsIniFile::writeString(const QString& section, const QString& key, const QString& value)
{
    if (mUseWinINI)
        return profile::WriteProfileString(section, key, value);
    return profile::WritePrivateProfileString(section, key, value, mFullPath);
}

void clsIniFile::DeleteStrEntry(const QString& EntryName)
{
    if (!checkSectionSet())
        return;
    writeString(mSectionName, EntryName, QStringLiteral(""));
}

void clsIniFile::DeleteNumEntry(const QString& EntryName)
{
    if (!checkSectionSet())
        return;
    // The system profile keeps the key as "0"; a private file loses it.
    writeString(mSectionName, EntryName, mUseWinINI ? QStringLiteral("0") : QString());
}

void clsIniFile::DeleteSection()
{
    if (!checkSectionSet())
        return;
    if (mUseWinINI)
        profile::WriteProfileSection(mSectionName, {});
    else
        profile::WritePrivateProfileSection(mSectionName, {}, mFullPath);
    mSectionName.clear();
    mBSectionSet = false;
}

void clsIniFile::FlushCache()
{
    if (!checkSectionSet())
        return;
    writeString(QString(), QString(), QString());
}

qint16 clsIniFile::Exists(const QString& filname) const
{
    QString name = filname;
    if (!name.contains(u'.'))
        name += QStringLiteral(".*");
    const qsizetype slash = name.lastIndexOf(u'/');
    const QString folder =
        slash < 0 ? QDir::currentPath() : (slash == 0 ? QStringLiteral("/") : name.left(slash));
    const QString pattern = name.mid(slash + 1);
    if (pattern.isEmpty())
        return 0;

    if (!pattern.contains(u'*') && !pattern.contains(u'?'))
        return isOrdinaryVisibleFile(QFileInfo(platform::joinPath(folder, pattern))) ? -1 : 0;

    const QFileInfo folderInfo(folder);
    if (!folderInfo.isDir())
        return 0;
    if (!folderInfo.isReadable())
        throw KestrelError(KestrelErrorNumber::PathFileAccessError, kErrorSource,
                           QStringLiteral("Path/File access error"));
    // "name.*" also finds a file called just "name".
    const bool bareToo = pattern.endsWith(QStringLiteral(".*"));
    const QStringView bare = QStringView(pattern).chopped(bareToo ? 2 : 0);
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files, QDir::Unsorted);
    for (const QFileInfo& entry : entries) {
        const QString entryName = entry.fileName();
        if (!isOrdinaryVisibleFile(entry))
            continue;
        if (wildcardMatch(pattern, entryName) || (bareToo && wildcardMatch(bare, entryName)))
            return -1;
    }
    return 0;
}

qint16 clsIniFile::GetInt(const QString& EntryName, qint16 DefaultInt)
{
    if (!checkSectionSet())
        return 0;
    const qint32 value =
        mUseWinINI ? profile::GetProfileInt(mSectionName, EntryName, DefaultInt)
                   : profile::GetPrivateProfileInt(mSectionName, EntryName, DefaultInt, mFullPath);
    if (value < -32768 || value > 32767)
        throw KestrelError(KestrelErrorNumber::Overflow, kErrorSource, QStringLiteral("Overflow"));
    return qint16(value);
}

QString clsIniFile::GetSectEntries()
{
    if (!checkSectionSet())
        return QString();
    const QStringList entries = mUseWinINI
                                    ? profile::GetProfileSection(mSectionName)
                                    : profile::GetPrivateProfileSection(mSectionName, mFullPath);
    return nullSeparated(entries);
}

qint16 clsIniFile::GetSectEntriesEx(QList<QStringList>& DataArry)
{
    if (!checkSectionSet())
        return 0;
    const QString entries = GetSectEntries();
    QStringView text = entries;
    if (text.size() == 1)
        return 0;
    qint32 i = 0;
    while (!text.isEmpty() && text.front() != kNull) {
        DataArry.resize(2);
        DataArry[0].resize(i + 1);
        DataArry[1].resize(i + 1);
        qsizetype end = text.indexOf(kNull);
        if (end < 0)
            end = text.size();
        const QStringView entry = text.left(end);
        const qsizetype equals = entry.indexOf(u'=');
        DataArry[0][i] = equals >= 0 ? entry.left(equals).toString() : QString();
        DataArry[1][i] = entry.mid(equals + 1).toString();
        text = text.mid(qMin(end + 1, text.size()));
        i = checkedCount(i + 1);
    }
    return qint16(i);
}

QByteArray clsIniFile::ReadWholeFile() const
{
    const QFileInfo info(mFullPath);
    if (!info.exists())
        throw KestrelError(KestrelErrorNumber::FileNotFound, kErrorSource,
                           QStringLiteral("File not found"));
    // A folder, pipe or device is never opened: reading a pipe could block for good.
    QFile file(mFullPath);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        throw KestrelError(KestrelErrorNumber::PathFileAccessError, kErrorSource,
                           QStringLiteral("Path/File access error"));
    return file.readAll();
}

QString clsIniFile::GetSections()
{
    if (!checkSectionSet())
        return QString();
    // Read by the profile service's own rules, so that every section GetString finds
    // is listed, and only those.
    const QStringList names = profile::text::sectionNames(ReadWholeFile());
    // An empty list still ends in two nulls.
    return names.isEmpty() ? QString(2, kNull) : nullSeparated(names);
}

qint16 clsIniFile::GetSectionsEx(QStringList& DataArry)
{
    const QString sections = GetSections();
    if (sections.isEmpty())
        return 0;
    QStringView text = sections;
    qint32 i = 0;
    while (!text.isEmpty() && text.front() != kNull) {
        DataArry.resize(i + 1);
        const qsizetype end = text.indexOf(kNull);
        DataArry[i] = text.left(end).toString();
        text = text.mid(end + 1);
        i = checkedCount(i + 1);
    }
    return qint16(i);
}

QString clsIniFile::GetString(const QString& EntryName, const QString& DefaultStr)
{
    if (!checkSectionSet())
        return QString();
    return mUseWinINI
               ? profile::GetProfileString(mSectionName, EntryName, DefaultStr)
               : profile::GetPrivateProfileString(mSectionName, EntryName, DefaultStr, mFullPath);
}

bool clsIniFile::GetTF(const QString& EntryName, qint16 DefaultInt)
{
    const QString value = TrimSpaces(
        GetString(EntryName, DefaultInt != 0 ? QStringLiteral("True") : QStringLiteral("False"))
            .toUpper());
    static const QStringList trueWords = {
        QStringLiteral("YES"), QStringLiteral("Y"), QStringLiteral("TRUE"), QStringLiteral("T"),
        QStringLiteral("ON"),  QStringLiteral("1"), QStringLiteral("-1")};
    return trueWords.contains(value);
}

void clsIniFile::IniRead(const QString& SectionName, const QString& EntryName, qint16 DefaultInt,
                         const QString& DefaultStr, QString& ReturnStr, bool ReadNumber,
                         const QString& FullPath)
{
    if (ReadNumber) {
        const qint32 value = mUseWinINI ? profile::GetProfileInt(SectionName, EntryName, DefaultInt)
                                        : profile::GetPrivateProfileInt(SectionName, EntryName,
                                                                        DefaultInt, FullPath);
        ReturnStr = QString::number(value);
        return;
    }
    const QString value =
        mUseWinINI ? profile::GetProfileString(SectionName, EntryName, DefaultStr)
                   : profile::GetPrivateProfileString(SectionName, EntryName, DefaultStr, FullPath);
    if (!value.isEmpty())
        ReturnStr = value;
}

void clsIniFile::IniWrite(const QString& SectionName, const QString& EntryName,
                          const QString& NewVal, const QString& FullPath)
{
    IniWriteChecked(SectionName, EntryName, NewVal, FullPath);
}

bool clsIniFile::IniWriteChecked(const QString& SectionName, const QString& EntryName,
                                 const QString& NewVal, const QString& FullPath)
{
    if (mUseWinINI)
        return profile::WriteProfileString(SectionName, EntryName, NewVal);
    return profile::WritePrivateProfileString(SectionName, EntryName, NewVal, FullPath);
}

qint16 clsIniFile::PutInt(const QString& EntryName, qint16 IntValue)
{
    return PutString(EntryName, QString::number(IntValue));
}

qint16 clsIniFile::PutString(const QString& EntryName, const QString& StrValue)
{
    if (!checkSectionSet())
        return 0;
    return writeString(mSectionName, EntryName, StrValue) ? 1 : 0;
}

bool clsIniFile::PutTF(const QString& EntryName, qint16 IntValue)
{
    return PutString(EntryName, IntValue != 0 ? QStringLiteral("True") : QStringLiteral("False")) !=
           0;
}

bool clsIniFile::SectExist(const QString& SectionName)
{
    if (!checkSectionSet())
        return false;
    return profile::text::hasSection(ReadWholeFile(), SectionName);
}
