#pragma once

// What every command of kestrel-catalogue shares: exit codes, output, argument checks.
// A command answers its exit code, saying a failure with fail(), failOn() or usageError().
// The helpers that check files throw ToolError, and a KestrelError escaping a command fails
// it (exit code 1); the command table says both as fail() does.
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>

class clsDBRoutines;
class ImportPlan;

namespace tool {

constexpr int kOk = 0;
constexpr int kFailed = 1; // the command ran and failed: missing file, not a catalogue, ...
constexpr int kUsage = 2;  // the command line itself is wrong
// check only: the catalogue or another file cannot be read (1 says programs are broken).
constexpr int kUnreadable = 3;

// A fault a helper found: the exit code and the message fail() says.
struct ToolError
{
    int code;
    QString message;
};

void out(const QString& text);
// Writes "kestrel-catalogue: message" to standard error and answers code.
int fail(int code, const QString& message);
// A usage error: the message, then the command's help, on standard error.
// A failure of a command on FILE: the error's description, led by the file's name unless
// the description names it already. Answers kFailed.
int failOn(const QString& file, const QString& description);
int usageError(const QString& message, const char* help);
// Why a write failed, in the engine's words; a text too long for the server's name index
// said as such.
QString writeFailure(const clsDBRoutines& catalogue);
// Whether --help or -h stands among the options: before "--", and not as the value of one
// of valueNames.
bool wantsHelp(const QStringList& args, const QStringList& valueNames = {});
// A file or server location as messages show it: no password, control characters escaped.
QString shown(const QString& location);

// The catalogue of a command that works on an existing one: a regular file or a server
// URI, a database, and holding the catalogue's tables. Throws ToolError otherwise.
void requireCatalogue(const QString& path);

// The catalogue object for FILE, opened read-only when the command only reads (so that a
// catalogue the user may not write can still be read). FILE passed requireCatalogue.
std::unique_ptr<clsDBRoutines> openCatalogue(const QString& file, bool readOnly);

// Arguments split into positional ones, flags and options with a value.
struct Arguments
{
    QStringList positional;
    QStringList flags;
    QHash<QString, QString> values;       // the last of an option given more than once
    QHash<QString, QStringList> repeated; // every value of each option, in order
    bool has(const char* flag) const { return flags.contains(QLatin1String(flag)); }
};
// How many programs an import added, updated and skipped.
struct ImportCounts
{
    qsizetype added = 0, updated = 0, skipped = 0;
};
// Plans an import against the catalogue as it is (offer hands each program to the plan and
// answers the counts) and stores what the plan decided, as one step that other writers wait
// for, so that concurrent imports never add a name twice; then prints the closing line
// "N added, M updated, K skipped". A dry run stores nothing; a failure stores nothing.
int runImport(clsDBRoutines& catalogue, bool update, bool dryRun, const QString& file,
              const std::function<ImportCounts(ImportPlan&)>& offer);

// Answers false with a message for an unknown option or an option missing its value.
bool parseArguments(const QStringList& args, const QStringList& flagNames,
                    const QStringList& valueNames, Arguments& parsed, QString& error);

// The audiences given with --audience (repeatable). Throws ToolError (kUsage) for one of
// another form, with a message showing the three forms.
QStringList audienceArguments(const Arguments& parsed);

// A whole regular file of at most maxSize bytes. Throws ToolError otherwise.
QByteArray readInputFile(const QString& path, qint64 maxSize);
// Writes data to path, replacing a regular file only once all is written, or to standard
// output for an empty path or "-". A FIFO or a device takes the data as a stream; a
// symbolic link or a folder is refused. Throws ToolError when it cannot.
void writeOutput(const QString& path, const QByteArray& data);

// A field of a tab-separated line or a name in a message, its control characters escaped
// as the listing does (platform::log::Escape::Listing).
QString field(const QVariant& value);
// The names a NAME argument may mean, as given first: a name the tool printed escaped
// (a control character as \xHH, a tab as \t) names the program it was printed for.
QStringList nameForms(const QString& name);

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
int copy(const QStringList& args);
int roles(const QStringList& args);
int modify(const QStringList& args);
int remove(const QStringList& args);
int exportCatalogue(const QStringList& args);
int importCatalogue(const QStringList& args);
int importDesktop(const QStringList& args);
int check(const QStringList& args);
int usage(const QStringList& args);

} // namespace tool
