#pragma once

#include <QString>

class Connection;

// How a running launcher learns that the catalogue changed without reading it again.

// A text that differs from the one read before whenever the catalogue's programs changed
// in between; one small read. On a file, the engine's data version as this connection sees
// it: no table, so every catalogue file has it and writes cost nothing more, and unlike a
// file watch it sees other machines' writes to a shared file. On a server, the count that the
// Catalogue_Change triggers raise; where a catalogue was made without it, or the role may
// not read it, a digest the server computes over every program row. Throws KestrelError
// when the catalogue cannot be read.
QString readChangeStamp(const Connection& connection);

// Adds the change stamp to a catalogue on a server made without it (the block between
// "change stamp: begin" and "end" of the server's schema); a file needs none. Best effort:
// a role that may not create it leaves the catalogue as it was. Answers whether the
// catalogue has the stamp afterwards. Throws nothing.
bool addChangeStamp(const Connection& connection);

// Makes a server catalogue's added tables (stored icons, audiences) raise its change stamp,
// when it has one (for a writer that has just made such a table in a catalogue made
// without it). Throws KestrelError when the statement fails.
void countAddedTableChanges(const Connection& connection);
