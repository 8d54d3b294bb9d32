#include "settings/clsEnvironment.h"

#include "platform/KestrelError.h"
#include "settings/FileChecks.h"
#include "settings/ProgramLocation.h"
#include "settings/clsIniFile.h"

#include <QDir>
#include <QFileInfo>

namespace {
QString inFolder(const QString& folder, const QString& name)
{
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
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
    if (!FileExists(mStrPath))
        throw KestrelError(5000, QStringLiteral("Kestrel.clsEnvironment"),
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
            501112, QStringLiteral("Kestrel.clsEnviroment"),
            QStringLiteral("Invalid Number Of Clicks Sent to property. Has to be greater than 0"));
    mNumberofClicks = mIntClicks;
}

void clsEnvironment::setDefaultIcon(const QString& mStrIcon)
{
    if (!FileExists(mStrIcon))
        throw KestrelError(5111, QStringLiteral("Kestrel.clsEnvironment"),
                           QStringLiteral("Invalid Path Sent to Icon Property"));
    mDefaultIcon = TrimSpaces(mStrIcon);
}

void clsEnvironment::setDefaultDialogIconPath(const QString& mStrPath)
{
    if (!FolderExists(mStrPath))
        throw KestrelError(
            5111, QStringLiteral("Kestrel.clsEnvrionment"),
            QStringLiteral("Invalid Path Sent to Default Dialog Icon Path Property"));
    mDefaultDialogIconPath = TrimSpaces(mStrPath);
}

void clsEnvironment::setDefaultDialogDatabasePath(const QString& mStrPath)
{
    if (!FolderExists(mStrPath))
        throw KestrelError(
            5111, QStringLiteral("Kestrel.clsEnvrionment"),
            QStringLiteral("Invalid Path Sent to Default Dialog Database Path Property"));
    mDefaultDialogDatabasePath = TrimSpaces(mStrPath);
}

bool clsEnvironment::loadSettings(const QString& mStrIniFile)
{
    return loadFrom(mStrIniFile, true);
}

bool clsEnvironment::loadFrom(const QString& mStrIniFile, bool mBMayCreate)
{
    const QString iniPath = TrimSpaces(mStrIniFile);
    clsIniFile& ini = iniFile();
    bool found = false;
    try {
        found = ini.Exists(iniPath) != 0;
    } catch (const KestrelError&) {
        return false;
    }

    if (!found) {
        // Only one attempt at creating the defaults: a folder that cannot take the file
        // would otherwise be written to and reloaded without end.
        if (!mBMayCreate)
            return false;
        const QString defaults = inFolder(mProgramFolder, QStringLiteral("Kestrel.ini"));
        const QString general = QStringLiteral("General");
        // A caller that names some other, missing file must not overwrite the real
        // settings (and the saved database location) with defaults.
        if (FileExists(defaults))
            return loadFrom(defaults, false);
        bool written = ini.IniWriteChecked(
            QStringLiteral("Database"), QStringLiteral("DatabasePath"),
            inFolder(mProgramFolder, QStringLiteral("data/Kestrel.mdb")), defaults);
        written &= ini.IniWriteChecked(general, QStringLiteral("RequireLogin"), QStringLiteral("0"),
                                       defaults);
        written &= ini.IniWriteChecked(general, QStringLiteral("ShowToolbar"), QStringLiteral("0"),
                                       defaults);
        written &= ini.IniWriteChecked(general, QStringLiteral("NumberOfClicks"),
                                       QStringLiteral("2"), defaults);
        written &=
            ini.IniWriteChecked(general, QStringLiteral("DefaultIcon"),
                                inFolder(mProgramFolder, QStringLiteral("Default.ico")), defaults);
        written &= ini.IniWriteChecked(general, QStringLiteral("DefaultDialogIconPath"),
                                       inFolder(mProgramFolder, QStringLiteral("icons")), defaults);
        written &= ini.IniWriteChecked(general, QStringLiteral("DefaultDialogDBPath"),
                                       inFolder(mProgramFolder, QStringLiteral("data")), defaults);
        const bool loaded = loadFrom(defaults, false);
        return written && loaded;
    }

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
                          inFolder(mProgramFolder, QStringLiteral("data/Kestrel.mdb")));
        mConfiguredDatabasePath = TrimSpaces(named);
        setDatabasePath(named);
    });
    ini.setSectionName(QStringLiteral("General"));
    step([&] { setRequireLogin(ini.GetInt(QStringLiteral("RequireLogin"), 0) != 0); });
    step([&] { setShowToolbar(ini.GetInt(QStringLiteral("ShowToolbar"), 0) != 0); });
    step([&] { setNumberofClicks(ini.GetInt(QStringLiteral("NumberOfClicks"), 2)); });
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
    return inFolder(programFolder(), QStringLiteral("Kestrel.ini"));
}
