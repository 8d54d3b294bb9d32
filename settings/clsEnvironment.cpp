#include "settings/clsEnvironment.h"

#include "platform/database/DatabaseLocation.h"

#include "platform/KestrelError.h"
#include "platform/Text.h"
#include "settings/FileChecks.h"
#include "settings/ProgramLocation.h"
#include "settings/clsIniFile.h"

#include <QDir>
#include <QFileInfo>
#include <optional>

namespace {
// Whether the settings file is there; nothing when that cannot be told.
std::optional<bool> settingsFileFound(const clsIniFile& ini, const QString& path)
{
    try {
        return ini.Exists(path) != 0;
    } catch (const KestrelError&) {
        return std::nullopt;
    }
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
    const std::optional<bool> found = settingsFileFound(ini, iniPath);
    if (!found)
        return false;
    if (*found)
        return readSettings(iniPath);

    // A caller that names some other, missing file must not overwrite the real settings
    // (and the saved database location) with defaults: the installation's own file is
    // read when it is there and written with defaults only when it is not.
    const QString defaults = platform::joinPath(mProgramFolder, QStringLiteral("Kestrel.ini"));
    bool written = true;
    if (!FileExists(defaults))
        written = writeDefaults(defaults);
    // A folder that cannot take the file leaves it missing: that is a failed load.
    if (settingsFileFound(ini, defaults) != true)
        return false;
    const bool read = readSettings(defaults);
    return written && read;
}

bool clsEnvironment::writeDefaults(const QString& mStrIniFile)
{
    clsIniFile& ini = iniFile();
    const QString general = QStringLiteral("General");
    bool written = ini.IniWriteChecked(
        QStringLiteral("Database"), QStringLiteral("DatabasePath"),
        platform::joinPath(mProgramFolder, QStringLiteral("data/Kestrel.mdb")), mStrIniFile);
    written &= ini.IniWriteChecked(general, QStringLiteral("RequireLogin"), QStringLiteral("0"),
                                   mStrIniFile);
    written &= ini.IniWriteChecked(general, QStringLiteral("ShowToolbar"), QStringLiteral("0"),
                                   mStrIniFile);
    written &= ini.IniWriteChecked(general, QStringLiteral("NumberOfClicks"), QStringLiteral("2"),
                                   mStrIniFile);
    written &= ini.IniWriteChecked(
        general, QStringLiteral("DefaultIcon"),
        platform::joinPath(mProgramFolder, QStringLiteral("Default.ico")), mStrIniFile);
    written &= ini.IniWriteChecked(general, QStringLiteral("DefaultDialogIconPath"),
                                   platform::joinPath(mProgramFolder, QStringLiteral("icons")),
                                   mStrIniFile);
    written &= ini.IniWriteChecked(general, QStringLiteral("DefaultDialogDBPath"),
                                   platform::joinPath(mProgramFolder, QStringLiteral("data")),
                                   mStrIniFile);
    return written;
}

bool clsEnvironment::readSettings(const QString& iniPath)
{
    clsIniFile& ini = iniFile();
    bool ok = true;
    // Each step stands alone: a failing one leaves its property as it was.
    auto step = [&ok](auto&& action) {
        try {
            action();
        } catch (const KestrelError&) {
            ok = false;
        }
    };
    ini.setFullPath(iniPath);
    ini.setSectionName(QStringLiteral("Database"));
    step([&] {
        const QString named =
            ini.GetString(QStringLiteral("DatabasePath"),
                          platform::joinPath(mProgramFolder, QStringLiteral("data/Kestrel.mdb")));
        mConfiguredDatabasePath = TrimSpaces(named);
        setDatabasePath(named);
    });
    ini.setSectionName(QStringLiteral("General"));
    step([&] { setRequireLogin(ini.GetInt(QStringLiteral("RequireLogin"), 0) != 0); });
    step([&] { setShowToolbar(ini.GetInt(QStringLiteral("ShowToolbar"), 0) != 0); });
    step([&] { setNumberofClicks(ini.GetInt(QStringLiteral("NumberOfClicks"), 2)); });
    // Optional: absent or unreadable means the programs show greyed, and never fails the load.
    try {
        setHideBroken(ini.GetInt(QStringLiteral("HideBroken"), 0) != 0);
    } catch (const KestrelError&) {
        setHideBroken(false);
    }
    step([&] { setDefaultIcon(ini.GetString(QStringLiteral("DefaultIcon"), QStringLiteral(""))); });
    step([&] {
        setDefaultDialogIconPath(
            ini.GetString(QStringLiteral("DefaultDialogIconPath"), QStringLiteral("")));
    });
    step([&] {
        setDefaultDialogDatabasePath(
            ini.GetString(QStringLiteral("DefaultDialogDBPath"), QStringLiteral("")));
    });
    return ok;
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
