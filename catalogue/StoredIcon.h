#pragma once

// Icons kept in the catalogue itself (table Program_Icon: the bytes of a program's icon
// file, keyed by Program_Key), so that a workstation without the file shows the picture
// all the same. The Program table is left as it is; a catalogue made before Program_Icon
// existed holds no stored icons until a writer stores one and makes the table.
#include <QByteArray>
#include <QString>
#include <optional>

class Connection;

// Largest icon the catalogue stores; a larger one is refused, saying so.
constexpr qint64 kMaxStoredIconBytes = 1024 * 1024;
// How much of a file or a stored picture looksLikePicture needs to see.
constexpr qsizetype kPictureHeadBytes = 4096;

// What the catalogue stores for the icon file at path: its bytes, or nothing when there is
// no regular file there that can be read (the path alone is kept then, as before). Throws
// KestrelError, naming the file and the cap, for a file over kMaxStoredIconBytes.
std::optional<QByteArray> readIconForCatalogue(const QString& path);

// The digest the stored bytes are known by (the icon cache's key for the same content).
QString storedIconDigest(const QByteArray& bytes);

// Whether these first bytes of a file begin a picture a program list can show (PNG, ICO,
// CUR, GIF, JPEG, BMP, SVG, XPM); a cheap test made without decoding.
bool looksLikePicture(const QByteArray& head);

// Whether the catalogue open on connection has the table, readable by its user (a role
// granted its rights before the table was made reads as before); a metadata query.
bool storedIconTableExists(const Connection& connection);
// Makes the table where it is missing (on a server, readable by the catalogue's roles
// where they exist). Throws KestrelError saying that the catalogue needs upgrading when
// the user may not make it.
void createStoredIconTable(const Connection& connection);
// The statement that makes the table on either engine, "IF NOT EXISTS" when asked.
QString storedIconTableStatement(bool server, bool ifNotExists = false);
