#include "catalogue/StoredIcon.h"

#include "catalogue/AddedTable.h"
#include "platform/ErrorNumbers.h"
#include "platform/KestrelError.h"
#include "platform/RegularFile.h"
#include "platform/database/Connection.h"
#include "platform/database/Recordset.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

namespace {
const QString kSource = QStringLiteral("Kestrel.StoredIcon");
} // namespace

std::optional<QByteArray> readIconForCatalogue(const QString& path)
{
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return std::nullopt;
    QFile file;
    QString error;
    if (!platform::openRegularForReading(file, path, true, error))
        return std::nullopt;
    if (file.size() > kMaxStoredIconBytes)
        throw KestrelError(KestrelErrorNumber::InvalidPicture, kSource,
                           QStringLiteral("The icon \"%1\" is %2 bytes: the catalogue stores "
                                          "icons of at most 1 MB (%3 bytes). Choose a smaller "
                                          "picture.")
                               .arg(path)
                               .arg(file.size())
                               .arg(kMaxStoredIconBytes));
    // Read to the cap and one byte past it, in case the file grew since its size was taken.
    QByteArray bytes = file.read(kMaxStoredIconBytes + 1);
    if (bytes.size() > kMaxStoredIconBytes)
        throw KestrelError(KestrelErrorNumber::InvalidPicture, kSource,
                           QStringLiteral("The icon \"%1\" grew past 1 MB (%2 bytes) while it "
                                          "was read.")
                               .arg(path)
                               .arg(kMaxStoredIconBytes));
    if (file.error() != QFile::NoError || bytes.isEmpty())
        return std::nullopt;
    return bytes;
}

QString storedIconDigest(const QByteArray& bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex());
}

bool looksLikePicture(const QByteArray& head)
{
    return head.startsWith("\x89PNG") || head.startsWith(QByteArray("\0\0\1\0", 4)) ||
           head.startsWith(QByteArray("\0\0\2\0", 4)) || head.startsWith("GIF8") ||
           head.startsWith("\xFF\xD8\xFF") || head.startsWith("BM") ||
           head.startsWith("\x1F\x8B") /* compressed SVG */ || head.contains("/* XPM */") ||
           head.contains("<svg");
}

bool storedIconTableExists(const Connection& connection)
{
    return addedTableExists(connection, QStringLiteral("Program_Icon"));
}

QString storedIconTableStatement(bool server, bool ifNotExists)
{
    return addedTableStatement(QStringLiteral("Program_Icon"), server, ifNotExists);
}

void createStoredIconTable(const Connection& connection)
{
    createAddedTable(connection, QStringLiteral("Program_Icon"),
                     QStringLiteral("icons were stored in it"));
}
