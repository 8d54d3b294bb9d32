#include "platform/profile/Profile.h"

#include "platform/Text.h"
#include "platform/profile/ProfileText.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QThread>

#include <algorithm>
#include <functional>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform::profile {
namespace {

// How long a writer waits for another process's save before it gives up (and answers
// false). A save takes milliseconds.
constexpr int kLockTimeoutMs = 15000;

// Serialises the writes to the files of one folder between processes: an flock() on the
// folder itself. The kernel drops it when its holder dies, so a writer killed at any
// moment never blocks the next one (a lock file can be left behind empty by SIGKILL and
// then blocks until it counts as stale), and it leaves no file beside the settings.
class FolderLock
{
public:
    explicit FolderLock(const QString& folder)
        : m_fd(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
    }
    ~FolderLock()
    {
        if (m_fd >= 0)
            ::close(m_fd); // releases the lock
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    bool tryLock(int timeoutMs)
    {
        if (m_fd < 0)
            return false;
        QDeadlineTimer deadline(timeoutMs);
        for (;;) {
            if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0)
                return true;
            if ((errno != EWOULDBLOCK && errno != EINTR) || deadline.hasExpired())
                return false;
            QThread::usleep(500);
        }
    }

private:
    int m_fd;
};

thread_local const WriteDeadline* tWriteDeadline = nullptr;

int lockWaitMs()
{
    if (!tWriteDeadline)
        return kLockTimeoutMs;
    return int(std::clamp<qint64>(tWriteDeadline->deadline().remainingTime(), 0, kLockTimeoutMs));
}

enum class ReadStatus { Ok, Missing, Failed };

ReadStatus readFile(const QString& path, QByteArray& bytes)
{
    bytes.clear();
    if (path.isEmpty())
        return ReadStatus::Missing;
    const QFileInfo info(path);
    if (!info.exists())
        return ReadStatus::Missing;
    if (!info.isFile()) // a folder, a device or a pipe is never read (it could block)
        return ReadStatus::Failed;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return file.exists() ? ReadStatus::Failed : ReadStatus::Missing;
    bytes = file.readAll();
    return file.error() == QFileDevice::NoError ? ReadStatus::Ok : ReadStatus::Failed;
}

// The file as the writes address it: symlinks resolved, so that every path to one file
// takes the same lock (QSaveFile replaces the link's target too).
QString targetPath(const QString& path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    if (!canonical.isEmpty())
        return canonical;
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? info.absoluteFilePath() : folder + u'/' + info.fileName();
}

// Replaces the file's contents atomically: a reader sees the old file or the new one.
// Only where the folder itself is not writable is the file overwritten in place.
bool saveFile(const QString& target, const QByteArray& bytes)
{
    const QFileInfo folder(QFileInfo(target).absolutePath());
    if (!folder.isDir())
        return false;
    QSaveFile file(target);
    file.setDirectWriteFallback(!folder.isWritable());
    // Unbuffered, and cancel on a short write: Qt 6.4 would otherwise commit a truncated
    // file when a buffered write fails (disk full, file size limit).
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

// Runs one edit of the file under the cross-process lock, on the file as it is on disk
// at that moment, and saves the result when it differs.
bool modifyFile(const QString& path, const std::function<bool(QByteArray&)>& edit)
{
    if (path.isEmpty())
        return false;
    const QString target = targetPath(path);
    FolderLock lock(QFileInfo(target).absolutePath());
    if (!lock.tryLock(lockWaitMs()))
        return false; // also where the folder is missing

    QByteArray bytes;
    const ReadStatus status = readFile(target, bytes);
    if (status == ReadStatus::Failed)
        return false; // never replace a file we could not read
    QByteArray changed = bytes;
    if (!edit(changed))
        return false;
    if (status == ReadStatus::Ok && changed == bytes)
        return true;
    if (status == ReadStatus::Missing && changed.isEmpty())
        return true; // a deletion in a missing file: nothing to create
    return saveFile(target, changed);
}

QString withoutTrailingSpaces(const QString& text)
{
    if (text.isNull())
        return QStringLiteral("");
    return platform::trimmed(
        text, [](QChar c) { return platform::isSpace(c.unicode()); }, platform::TrimEnds::End);
}

std::optional<QString> readValue(const QString& section, const QString& key, const QString& file)
{
    QByteArray bytes;
    if (readFile(file, bytes) != ReadStatus::Ok)
        return std::nullopt;
    return text::readValue(bytes, section, key);
}

bool ensureSystemFolder()
{
    const QString folder = GetWindowsDirectory();
    return !folder.isEmpty() && QDir().mkpath(folder);
}

} // namespace

WriteDeadline::WriteDeadline(int milliseconds) : mDeadline(milliseconds), mPrevious(tWriteDeadline)
{
    if (mPrevious && mPrevious->deadline() < mDeadline)
        mDeadline = mPrevious->deadline();
    tWriteDeadline = this;
}

WriteDeadline::~WriteDeadline()
{
    tWriteDeadline = mPrevious;
}

QString GetPrivateProfileString(const QString& section, const QString& key,
                                const QString& defaultValue, const QString& file)
{
    if (std::optional<QString> value = readValue(section, key, file))
        return *value;
    return withoutTrailingSpaces(defaultValue);
}

qint32 GetPrivateProfileInt(const QString& section, const QString& key, qint32 defaultValue,
                            const QString& file)
{
    const std::optional<QString> value = readValue(section, key, file);
    if (!value || value->isEmpty())
        return defaultValue;
    return text::parseInt(*value);
}

QStringList GetPrivateProfileSection(const QString& section, const QString& file)
{
    QByteArray bytes;
    if (readFile(file, bytes) != ReadStatus::Ok)
        return {};
    return text::readSection(bytes, section).value_or(QStringList());
}

bool WritePrivateProfileString(const QString& section, const QString& key, const QString& value,
                               const QString& file)
{
    if (section.isNull() && key.isNull() && value.isNull())
        return true; // flush: nothing is cached
    if (section.isNull() || text::isRefused(section, key, value))
        return false;
    return modifyFile(file, [&](QByteArray& bytes) {
        return text::applyWriteString(bytes, section, key, value);
    });
}

bool WritePrivateProfileSection(const QString& section, const QStringList& entries,
                                const QString& file)
{
    QByteArray probe;
    if (!text::applyWriteSection(probe, section, entries))
        return false; // refused before the file is touched
    return modifyFile(
        file, [&](QByteArray& bytes) { return text::applyWriteSection(bytes, section, entries); });
}

QString GetWindowsDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

QString systemProfilePath()
{
    return GetWindowsDirectory() + QStringLiteral("/WIN.INI");
}

QString GetProfileString(const QString& section, const QString& key, const QString& defaultValue)
{
    return GetPrivateProfileString(section, key, defaultValue, systemProfilePath());
}

qint32 GetProfileInt(const QString& section, const QString& key, qint32 defaultValue)
{
    return GetPrivateProfileInt(section, key, defaultValue, systemProfilePath());
}

QStringList GetProfileSection(const QString& section)
{
    return GetPrivateProfileSection(section, systemProfilePath());
}

bool WriteProfileString(const QString& section, const QString& key, const QString& value)
{
    // The configuration folder may not exist yet on a fresh account.
    if (!section.isNull() && !text::isRefused(section, key, value) && !ensureSystemFolder())
        return false;
    return WritePrivateProfileString(section, key, value, systemProfilePath());
}

bool WriteProfileSection(const QString& section, const QStringList& entries)
{
    QByteArray probe;
    if (text::applyWriteSection(probe, section, entries) && !ensureSystemFolder())
        return false;
    return WritePrivateProfileSection(section, entries, systemProfilePath());
}

} // namespace platform::profile
