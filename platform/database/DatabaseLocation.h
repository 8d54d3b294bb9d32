#pragma once

#include <QList>
#include <QPair>
#include <QString>

// A catalogue's location as the settings hold it: a SQLite file path, or a PostgreSQL
// connection URI, postgresql://[user@]host[:port][,host[:port]...]/dbname[?param=value&...]
// (or postgres://): several hosts are tried in turn, as the client library does.
// Anything written scheme://... is taken for a URI.
struct DatabaseLocation
{
    enum class Kind { File, Server };

    static DatabaseLocation parse(const QString& text);
    static bool looksLikeUri(const QString& text);

    Kind kind = Kind::File;
    QString text;     // as given
    QString host;     // name, address or socket folder (several: comma-separated); empty: default
    int port = -1;    // -1: the default (5432), or one port per host in ports
    QString ports;    // with several hosts: their ports, comma-separated (empty: the default)
    QString database; // dbname
    QString user;     // empty: the login name
    QList<QPair<QString, QString>> parameters; // the other libpq parameters, in order
    // pool_mode=transaction: a pooler between hands each transaction to any server session,
    // so nothing may be kept in a session (Kestrel's own parameter, never given to libpq).
    bool transactionPooling = false;
    bool carriesSecret = false; // a password (or sslpassword) is written in it
    QString problem; // why the URI cannot be used (empty when it can); never shows a secret

    bool isServer() const { return kind == Kind::Server; }
    // For messages and windows: the file path, or the URI with any password left out, in
    // whatever case or form it is written; a long one shortened in the middle.
    QString display() const;
    // "host H, port P, database D" for messages about a server.
    QString serverDescription() const;
    // The value of a parameter, or fallback when the URI does not set it.
    QString parameter(const QString& name, const QString& fallback = {}) const;
};

// Whether path's folder lies on a network file system (NFS, SMB/CIFS, AFS, Ceph and the
// like), where SQLite's file locks cannot be trusted.
bool onNetworkFileSystem(const QString& path);
