#pragma once

// What every command of kestrel-catalogue shares: exit codes, output, argument checks.
#include <QString>
#include <QStringList>
#include <QVariant>

namespace tool {

constexpr int kOk = 0;
constexpr int kFailed = 1; // the command ran and failed: missing file, not a catalogue, ...
constexpr int kUsage = 2;  // the command line itself is wrong

void out(const QString& text);
// Writes "kestrel-catalogue: message" to standard error and answers code.
int fail(int code, const QString& message);
// A usage error: the message, then the command's help, on standard error.
int usageError(const QString& message, const char* help);
bool wantsHelp(const QStringList& args);

// The catalogue file of a command that works on an existing one: present, a SQLite
// database, and holding the catalogue's tables. Reports the failure and sets code otherwise.
bool existingCatalogue(const QString& path, int& code);

// A field of a tab-separated line, with backslash, tab and line breaks escaped.
QString field(const QVariant& value);

// A command: its name, one line for the overview, and what runs it (arguments after the
// command's name). Each command lives in its own file and is listed in kestrel-catalogue.cpp.
struct Command
{
    const char* name;
    const char* summary;
    int (*run)(const QStringList& args);
};

int create(const QStringList& args);
int add(const QStringList& args);
int list(const QStringList& args);

} // namespace tool
