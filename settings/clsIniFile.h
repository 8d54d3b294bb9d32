#pragma once

#include "platform/ui/MessageBox.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

// One settings (INI) file and a current section in it. Entries are read and written
// through the profile service only; nothing is cached here. Entry operations on the
// current section refuse to run until a non-blank section is set, and report that.
//
// Null-separated lists are QStrings in which every item is followed by QChar(0) and the
// whole list by one more QChar(0).
class clsIniFile
{
public:
    clsIniFile();

    // Where the report of an entry operation without a section goes (an information box
    // titled "IniFile Logic Error"): the programs install platform::MsgBox. Without a
    // handler the report goes to standard error. Answers the previous handler.
    using LogicErrorHandler = std::function<void(const platform::MsgRequest&)>;
    static LogicErrorHandler setLogicErrorHandler(LogicErrorHandler handler);

    // Used by the programs (through clsEnvironment).
    void setFullPath(const QString& NewPath);
    void setSectionName(const QString& SetSection);
    // -1 when an ordinary visible file matches (wildcards * and ?), else 0. Throws
    // KestrelError when a folder that must be listed cannot be read.
    qint16 Exists(const QString& filname) const;
    // Throws an overflow KestrelError for a stored number outside the 16-bit range.
    qint16 GetInt(const QString& EntryName, qint16 DefaultInt);
    QString GetString(const QString& EntryName, const QString& DefaultStr);
    // IniWrite that tells whether the service stored the value.
    bool IniWriteChecked(const QString& SectionName, const QString& EntryName,
                         const QString& NewVal, const QString& FullPath);

    // The rest completes the class's interface: no window calls it today, tests cover it
    // and scripts or later windows may. Not dead code; do not delete it.
    QString PrivPath() const { return mPrivPath; }
    void setUseWinINI(bool bChoice);
    bool UseWinINI() const { return mUseWinINI; }
    QString FullPath() const { return mFullPath; }
    QString SectionName() const { return mSectionName; }
    QString FilePath() const { return mFilePath; }
    QString FileExt() const { return mFileExt; }
    QString FileName() const { return mFileName; }
    // RetChoice 1: name without extension, 2: extension, anything else: whole name.
    QString ExtractName(const QString& PathIn, qint32 RetChoice) const;
    QString ExtractPath(const QString& PathIn) const;
    void DeleteStrEntry(const QString& EntryName);
    void DeleteNumEntry(const QString& EntryName);
    void DeleteSection();
    QString GetSectEntries();
    // DataArry[0] holds the keys, DataArry[1] the values, one row per entry.
    qint16 GetSectEntriesEx(QList<QStringList>& DataArry);
    // Throws KestrelError when the file cannot be opened.
    QString GetSections();
    qint16 GetSectionsEx(QStringList& DataArry);
    bool GetTF(const QString& EntryName, qint16 DefaultInt);
    void FlushCache();
    // With ReadNumber the integer comes back in ReturnStr as decimal text.
    void IniRead(const QString& SectionName, const QString& EntryName, qint16 DefaultInt,
                 const QString& DefaultStr, QString& ReturnStr, bool ReadNumber,
                 const QString& FullPath);
    void IniWrite(const QString& SectionName, const QString& EntryName, const QString& NewVal,
                  const QString& FullPath);
    qint16 PutInt(const QString& EntryName, qint16 IntValue);
    qint16 PutString(const QString& EntryName, const QString& StrValue);
    bool PutTF(const QString& EntryName, qint16 IntValue);
    bool SectExist(const QString& SectionName);

private:
    bool checkSectionSet() const;
    static void ReportSectionNotSet();
    // The whole file; throws KestrelError when it is missing or cannot be read.
    QByteArray ReadWholeFile() const;
    static QString ResolvePath(const QString& p);
    bool writeString(const QString& section, const QString& key, const QString& value);

    QString mSectionName;
    QString mFileName;
    QString mFilePath;
    QString mFullPath;
    QString mPrivPath;
    QString mFileExt;
    bool mBSectionSet = false;
    bool mUseWinINI = false;
};
