#pragma once

#include <QString>
#include <memory>

class clsIniFile;

// A program's environment settings, loaded from and saved to the settings file.
// Property writes validate and throw KestrelError on a bad value.
class clsEnvironment
{
public:
    clsEnvironment();
    // Settings of an installation in the given folder (defaults refer to it).
    explicit clsEnvironment(const QString& mStrProgramFolder);
    ~clsEnvironment();
    clsEnvironment(const clsEnvironment&) = delete;
    clsEnvironment& operator=(const clsEnvironment&) = delete;

    QString DatabasePath() const { return mDatabasePath; }
    bool RequireLogin() const { return mRequireLogin; }
    bool ShowToolbar() const { return mShowToolbar; }
    qint16 NumberofClicks() const { return mNumberofClicks; }
    // [General] HideBroken=1: the launcher hides broken programs instead of greying them.
    bool HideBroken() const { return mHideBroken; }
    // [General] RefreshSeconds=N: a running launcher shows the catalogue's changes within N
    // seconds. 0, missing or not a whole number: never (the list is read once).
    qint32 RefreshSeconds() const { return mRefreshSeconds; }
    // [General] Kiosk=1: the launcher is a kiosk's whole session (launcher/Kiosk.h).
    bool Kiosk() const { return mKiosk; }
    // [General] KioskResetSeconds=N: a kiosk clears its search and selection after N seconds
    // without input. Missing, not a whole number or below 1: 120.
    qint32 KioskResetSeconds() const { return mKioskResetSeconds; }
    QString DefaultIcon() const { return mDefaultIcon; }
    QString DefaultDialogIconPath() const { return mDefaultDialogIconPath; }
    QString DefaultDialogDatabasePath() const { return mDefaultDialogDatabasePath; }
    // The database location the settings file last named (resolved like DatabasePath), kept
    // even when it failed validation, so that a missing catalogue can be reported by its name.
    QString ConfiguredDatabasePath() const { return mConfiguredDatabasePath; }

    void setDatabasePath(const QString& mStrPath);
    void setRequireLogin(bool mBLogin);
    void setShowToolbar(bool mBShow);
    void setNumberofClicks(qint16 mIntClicks);
    void setHideBroken(bool mBHide) { mHideBroken = mBHide; }
    void setRefreshSeconds(qint32 mLngSeconds) { mRefreshSeconds = qMax(0, mLngSeconds); }
    void setKiosk(bool mBKiosk) { mKiosk = mBKiosk; }
    void setKioskResetSeconds(qint32 mLngSeconds)
    {
        mKioskResetSeconds = mLngSeconds > 0 ? mLngSeconds : kDefaultKioskResetSeconds;
    }
    void setDefaultIcon(const QString& mStrIcon);
    void setDefaultDialogIconPath(const QString& mStrPath);
    void setDefaultDialogDatabasePath(const QString& mStrPath);

    // A relative location in the file (database, default icon, dialog folders) is taken from
    // the folder that holds the file. When the installation's file is missing and cannot be
    // written, the defaults are held in memory and the load answers false.
    bool loadSettings(const QString& mStrIniFile);
    // Why the last loadSettings answered false, naming the file and the values at fault;
    // empty after a load that worked.
    QString LoadProblem() const { return mLoadProblem; }
    bool saveSettings(const QString& mStrIniFile, const QString& mStrDBPath, bool mBRequireLogin,
                      bool mBShowToolbar, qint16 mIntNumberOfClicks);

private:
    clsIniFile& iniFile();
    // Writes the defaults, which point into the program folder; true when all were stored.
    bool writeDefaults(const QString& mStrIniFile);
    // A key's value in a new settings file.
    QString defaultValue(const QString& key) const;
    // Reads every setting from an existing file; true when all were read and valid.
    bool readSettings(const QString& iniPath);
    // The defaults as writeDefaults would store them, set without a file.
    void holdDefaults();

    QString mProgramFolder;
    QString mLoadProblem;

    QString mDatabasePath;
    QString mConfiguredDatabasePath;
    QString mDefaultIcon;
    bool mRequireLogin = false;
    bool mShowToolbar = false;
    qint16 mNumberofClicks = 0;
    bool mHideBroken = false;
    qint32 mRefreshSeconds = 0;
    static constexpr qint32 kDefaultKioskResetSeconds = 120;
    bool mKiosk = false;
    qint32 mKioskResetSeconds = kDefaultKioskResetSeconds;
    QString mDefaultDialogDatabasePath;
    QString mDefaultDialogIconPath;
    std::unique_ptr<clsIniFile> mIniFile;
};

// The program-wide settings object, created on first use.
clsEnvironment& gEnvironment();

// The folder that holds the running executable, and the settings file beside it.
QString programFolder();
QString settingsFilePath();
