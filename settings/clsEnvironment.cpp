#include "settings/clsEnvironment.h"

#include "platform/database/DatabaseLocation.h"

#include "platform/KestrelError.h"
#include "platform/RegularFile.h"
#include "platform/Text.h"
#include "platform/profile/Profile.h"
#include "settings/FileChecks.h"
#include "settings/ProgramLocation.h"
#include "settings/clsIniFile.h"

#include <QDir>
#include <QFileInfo>
#include <optional>

namespace {
// How long the defaults' writes together wait for another program that holds the settings
// folder locked; the launcher then goes on with the defaults in memory.
constexpr int kDefaultsLockWaitMs = 3000;

// Whether the settings file is there; nothing when that cannot be told.
std::optional<bool> settingsFileFound(const clsIniFile& ini, const QString& path)
{
    try {
        return ini.Exists(path) != 0;
    } catch (const KestrelError&) {
        return std::nullopt;
    }
}

// A relative location in a settings file is taken from the folder that holds the file, not
// from wherever the program was started. Absolute paths and server addresses stay as they
// are, and so does an empty value.
QString resolvedLocation(const QString& iniPath, const QString& value)
{
    const QString location = TrimSpaces(value);
    if (location.isEmpty() || QDir::isAbsolutePath(location) ||
        DatabaseLocation::looksLikeUri(location))
        return value;
    return QDir::cleanPath(QFileInfo(iniPath).absoluteDir().filePath(location));
}

// A value as a reason quotes it: a huge one loses its middle.
QString quoted(const QString& value)
{
    constexpr qsizetype kKeep = 300;
    if (value.size() <= kKeep)
        return value;
    return value.left(kKeep / 2) + QChar(0x2026) + value.right(kKeep / 2 - 1);
}

enum class Expected { File, Folder, Flag, Clicks };

// In words, why a value read from the settings file was refused.
QString refusal(Expected expected, const QString& value, const KestrelError& error)
{
    const QString location = TrimSpaces(value);
    if (expected == Expected::Flag)
        return QStringLiteral("it must be 0 or 1");
    if (expected == Expected::Clicks)
        return QStringLiteral("it must be a whole number from 1 to 32767");
    if (location.isEmpty())
        return QStringLiteral("it is empty");
    if (DatabaseLocation::looksLikeUri(location))
        return error.description();
    const QFileInfo info(location);
    if (!info.exists())
        return QStringLiteral("there is no such %1")
            .arg(expected == Expected::File ? u"file" : u"folder");
    if (expected == Expected::File && info.isDir())
        return QStringLiteral("it is a folder, not a file");
    if (expected == Expected::Folder && !info.isDir())
        return QStringLiteral("it is not a folder");
    return error.description();
}
} // namespace

clsEnvironment::clsEnvironment() : clsEnvironment(programFolder()) {}

clsEnvironment::clsEnvironment(const QString& mStrProgramFolder) : mProgramFolder(mStrProgramFolder)
{
}

clsEnvironment::~clsEnvironment() = default;

clsIniFile& clsEnvironment::iniFile()
{
    if (!mIniFile)
        mIniFile = std::make_unique<clsIniFile>();
    return *mIniFile;
}

void clsEnvironment::setDatabasePath(const QString& mStrPath)
{
    // A server's location is checked for its form (and for a password, which a settings
    // file readable by every user must not hold); the server is reached at first use.
    if (DatabaseLocation::looksLikeUri(mStrPath)) {
        const DatabaseLocation location = DatabaseLocation::parse(TrimSpaces(mStrPath));
        if (!location.problem.isEmpty())
            throw KestrelError(KestrelErrorNumber::InvalidDatabasePath,
                               QStringLiteral("Kestrel.clsEnvironment"),
                               QStringLiteral("Invalid Path sent to property (%1: %2)")
                                   .arg(location.display(), location.problem));
        mDatabasePath = TrimSpaces(mStrPath);
        return;
    }
    if (!FileExists(mStrPath))
        throw KestrelError(KestrelErrorNumber::InvalidDatabasePath,
                           QStringLiteral("Kestrel.clsEnvironment"),
                           QStringLiteral("Invalid Path sent to property"));
    mDatabasePath = TrimSpaces(mStrPath);
}

void clsEnvironment::setRequireLogin(bool mBLogin)
{
    mRequireLogin = mBLogin;
}

void clsEnvironment::setShowToolbar(bool mBShow)
{
    mShowToolbar = mBShow;
}

void clsEnvironment::setNumberofClicks(qint16 mIntClicks)
{
    if (mIntClicks < 1)
        throw KestrelError(
            KestrelErrorNumber::InvalidNumberOfClicks, QStringLiteral("Kestrel.clsEnviroment"),
            QStringLiteral("Invalid Number Of Clicks Sent to property. Has to be greater than 0"));
    mNumberofClicks = mIntClicks;
}

void clsEnvironment::setDefaultIcon(const QString& mStrIcon)
{
    if (!FileExists(mStrIcon))
        throw KestrelError(KestrelErrorNumber::InvalidPathProperty,
                           QStringLiteral("Kestrel.clsEnvironment"),
                           QStringLiteral("Invalid Path Sent to Icon Property"));
    mDefaultIcon = TrimSpaces(mStrIcon);
}

void clsEnvironment::setDefaultDialogIconPath(const QString& mStrPath)
{
    if (!FolderExists(mStrPath))
        throw KestrelError(
            KestrelErrorNumber::InvalidPathProperty, QStringLiteral("Kestrel.clsEnvrionment"),
            QStringLiteral("Invalid Path Sent to Default Dialog Icon Path Property"));
    mDefaultDialogIconPath = TrimSpaces(mStrPath);
}

void clsEnvironment::setDefaultDialogDatabasePath(const QString& mStrPath)
{
    if (!FolderExists(mStrPath))
        throw KestrelError(
            KestrelErrorNumber::InvalidPathProperty, QStringLiteral("Kestrel.clsEnvrionment"),
            QStringLiteral("Invalid Path Sent to Default Dialog Database Path Property"));
    mDefaultDialogDatabasePath = TrimSpaces(mStrPath);
}

bool clsEnvironment::loadSettings(const QString& mStrIniFile)
{
    const QString iniPath = TrimSpaces(mStrIniFile);
    clsIniFile& ini = iniFile();
    mLoadProblem.clear();
    const std::optional<bool> found = settingsFileFound(ini, iniPath);
    if (!found) {
        mLoadProblem =
            QStringLiteral("The settings file \"%1\" cannot be looked for: its folder cannot be "
                           "read.")
                .arg(iniPath);
        return false;
    }
    if (*found)
        return readSettings(iniPath);

    // A caller that names some other, missing file must not overwrite the real settings
    // (and the saved database location) with defaults: the installation's own file is
    // read when it is there and written with defaults only when it is not.
    const QString defaults = platform::joinPath(mProgramFolder, QStringLiteral("Kestrel.ini"));
    bool written = true;
    if (!FileExists(defaults))
        written = writeDefaults(defaults);
    // A folder that cannot take the file (an installation the user may not write, or one
    // that another program holds locked) leaves it missing: that is a failed load, but the
    // defaults are held, so that the launcher works from such a folder.
    if (settingsFileFound(ini, defaults) != true) {
        holdDefaults();
        const QFileInfo folder(mProgramFolder);
        if (const QString kind = platform::notRegularFileReason(defaults); !kind.isEmpty()) {
            mLoadProblem = QStringLiteral("The settings file \"%1\" is %2, not a settings file. "
                                          "The default settings are used.")
                               .arg(defaults, kind);
            return false;
        }
        mLoadProblem =
            QStringLiteral("The settings file \"%1\" does not exist and could not be created: %2. "
                           "The default settings are used.")
                .arg(defaults, folder.isDir() && !folder.isWritable()
                                   ? QStringLiteral("this user may not write its folder")
                                   : QStringLiteral("another program holds its folder locked, or "
                                                    "the disk refused the file"));
        return false;
    }
    const bool read = readSettings(defaults);
    if (!written && read)
        mLoadProblem = QStringLiteral("The default settings could not all be written to \"%1\".")
                           .arg(defaults);
    return written && read;
}

QString clsEnvironment::defaultValue(const QString& key) const
{
    // The values a new settings file gets, and that are held when none can be made.
    if (key == u"DatabasePath")
        return platform::joinPath(mProgramFolder, QStringLiteral("data/Kestrel.mdb"));
    if (key == u"NumberOfClicks")
        return QStringLiteral("2");
    if (key == u"DefaultIcon")
        return platform::joinPath(mProgramFolder, QStringLiteral("Default.ico"));
    if (key == u"DefaultDialogIconPath")
        return platform::joinPath(mProgramFolder, QStringLiteral("icons"));
    if (key == u"DefaultDialogDBPath")
        return platform::joinPath(mProgramFolder, QStringLiteral("data"));
    return QStringLiteral("0"); // RequireLogin, ShowToolbar
}

bool clsEnvironment::writeDefaults(const QString& mStrIniFile)
{
    // One wait for another program's lock on the folder for all seven writes, not one each.
    const platform::profile::WriteDeadline deadline(kDefaultsLockWaitMs);
    clsIniFile& ini = iniFile();
    bool written = true;
    for (const char* key : {"DatabasePath", "RequireLogin", "ShowToolbar", "NumberOfClicks",
                            "DefaultIcon", "DefaultDialogIconPath", "DefaultDialogDBPath"}) {
        const QString name = QLatin1String(key);
        written &= ini.IniWriteChecked(name == u"DatabasePath" ? QStringLiteral("Database")
                                                               : QStringLiteral("General"),
                                       name, defaultValue(name), mStrIniFile);
    }
    return written;
}

void clsEnvironment::holdDefaults()
{
    // Set as they would be read back: a file missing from the installation leaves its
    // property empty (the catalogue is still named by its location).
    const auto quietly = [](auto&& set) {
        try {
            set();
        } catch (const KestrelError&) {
        }
    };
    const auto value = [this](const char* key) { return defaultValue(QLatin1String(key)); };
    mConfiguredDatabasePath = value("DatabasePath");
    quietly([&] { setDatabasePath(mConfiguredDatabasePath); });
    mRequireLogin = value("RequireLogin") != u"0";
    mShowToolbar = value("ShowToolbar") != u"0";
    mNumberofClicks = qint16(value("NumberOfClicks").toInt());
    quietly([&] { setDefaultIcon(value("DefaultIcon")); });
    quietly([&] { setDefaultDialogIconPath(value("DefaultDialogIconPath")); });
    quietly([&] { setDefaultDialogDatabasePath(value("DefaultDialogDBPath")); });
}

bool clsEnvironment::readSettings(const QString& iniPath)
{
    clsIniFile& ini = iniFile();
    QStringList problems;
    if (const QFileInfo file(iniPath); file.exists() && !file.isReadable())
        problems << QStringLiteral("this user may not read it");
    // Each step stands alone: a failing one leaves its property as it was and says why.
    QString value;
    const auto step = [&](const char* key, Expected expected, auto&& action) {
        value.clear();
        try {
            action();
        } catch (const KestrelError& error) {
            problems << QStringLiteral("%1 \"%2\": %3")
                            .arg(QLatin1String(key),
                                 quoted(DatabaseLocation::parse(value).display()),
                                 refusal(expected, value, error));
        }
    };
    const auto location = [&](const char* key, const QString& fallback) {
        return resolvedLocation(iniPath, ini.GetString(QLatin1String(key), fallback));
    };
    // A hand-written file may lack the three keys that have no default: each is named as
    // missing, with the line the installation's own file would hold.
    const auto required = [&](const char* key, Expected expected, auto&& set) {
        const QString absent = QStringLiteral("\x01");
        if (ini.GetString(QLatin1String(key), absent) != absent)
            return step(key, expected, [&] { set(value = location(key, QString())); });
        problems << QStringLiteral("%1 is missing (the installation's own: %1=%2)")
                        .arg(QLatin1String(key), defaultValue(QLatin1String(key)));
    };
    ini.setFullPath(iniPath);
    ini.setSectionName(QStringLiteral("Database"));
    step("DatabasePath", Expected::File, [&] {
        value = location("DatabasePath", defaultValue(QStringLiteral("DatabasePath")));
        mConfiguredDatabasePath = TrimSpaces(value);
        setDatabasePath(value);
    });
    ini.setSectionName(QStringLiteral("General"));
    step("RequireLogin", Expected::Flag, [&] {
        value = ini.GetString(QStringLiteral("RequireLogin"), QStringLiteral("0"));
        setRequireLogin(ini.GetInt(QStringLiteral("RequireLogin"), 0) != 0);
    });
    step("ShowToolbar", Expected::Flag, [&] {
        value = ini.GetString(QStringLiteral("ShowToolbar"), QStringLiteral("0"));
        setShowToolbar(ini.GetInt(QStringLiteral("ShowToolbar"), 0) != 0);
    });
    step("NumberOfClicks", Expected::Clicks, [&] {
        value = ini.GetString(QStringLiteral("NumberOfClicks"), QStringLiteral("2"));
        setNumberofClicks(ini.GetInt(QStringLiteral("NumberOfClicks"), 2));
    });
    // Optional: absent or unreadable is 0 (broken programs greyed, no kiosk), and never
    // fails the load.
    const auto flag = [&ini](const QString& key) {
        try {
            return ini.GetInt(key, 0) != 0;
        } catch (const KestrelError&) {
            return false;
        }
    };
    setHideBroken(flag(QStringLiteral("HideBroken")));
    setKiosk(flag(QStringLiteral("Kiosk")));
    // Optional as well, and read strictly: "60s" or "1e3" is no number of seconds.
    const auto seconds = [&ini](const QString& key) {
        try {
            bool isNumber = false;
            const qint32 value = TrimSpaces(ini.GetString(key, {})).toInt(&isNumber);
            return isNumber ? value : 0;
        } catch (const KestrelError&) {
            return 0;
        }
    };
    setRefreshSeconds(seconds(QStringLiteral("RefreshSeconds")));
    setKioskResetSeconds(seconds(QStringLiteral("KioskResetSeconds")));
    required("DefaultIcon", Expected::File, [&](const QString& v) { setDefaultIcon(v); });
    required("DefaultDialogIconPath", Expected::Folder,
             [&](const QString& v) { setDefaultDialogIconPath(v); });
    required("DefaultDialogDBPath", Expected::Folder,
             [&](const QString& v) { setDefaultDialogDatabasePath(v); });
    if (!problems.isEmpty())
        mLoadProblem = QStringLiteral("The settings file \"%1\" cannot be used:\n%2.")
                           .arg(iniPath, problems.join(QStringLiteral(";\n")));
    return problems.isEmpty();
}

bool clsEnvironment::saveSettings(const QString& mStrIniFile, const QString& mStrDBPath,
                                  bool mBRequireLogin, bool mBShowToolbar,
                                  qint16 mIntNumberOfClicks)
{
    // A missing file is refused outright ("Couldn't save settings, invalid path pass the
    // function"): nothing is written. The file checked is the file written, blanks or not.
    const QString iniPath = TrimSpaces(mStrIniFile);
    if (!FileExists(iniPath))
        return false;
    clsIniFile& ini = iniFile();
    const QString general = QStringLiteral("General");
    bool written = ini.IniWriteChecked(QStringLiteral("Database"), QStringLiteral("DatabasePath"),
                                       mStrDBPath, iniPath);
    written &= ini.IniWriteChecked(general, QStringLiteral("RequireLogin"),
                                   QString::number(FlagToDigit(mBRequireLogin)), iniPath);
    written &= ini.IniWriteChecked(general, QStringLiteral("ShowToolbar"),
                                   QString::number(FlagToDigit(mBShowToolbar)), iniPath);
    written &= ini.IniWriteChecked(general, QStringLiteral("NumberOfClicks"),
                                   QString::number(mIntNumberOfClicks), iniPath);
    return written;
}

clsEnvironment& gEnvironment()
{
    static clsEnvironment environment;
    return environment;
}

QString programFolder()
{
    const QString executable = programExecutablePath();
    if (!executable.isEmpty())
        return QFileInfo(executable).absolutePath();
    return QDir::currentPath();
}

QString settingsFilePath()
{
    return platform::joinPath(programFolder(), QStringLiteral("Kestrel.ini"));
}
