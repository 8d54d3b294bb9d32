#pragma once

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTest>
#include <filesystem>
#include <optional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// Root ignores file permissions, so a test of how refusals are handled drops to "nobody"
// when it starts as root. Nobody must still reach the test's programs: a checkout under a
// private home (as CI's may be) cannot be reached, so the test then runs a copy of itself
// and of the programs beside it from a folder everyone can enter, and removes the copies
// when it ends.
namespace asuser {
inline bool reachableByOthers(const QString& file)
{
    for (QFileInfo info(file);; info = QFileInfo(info.absolutePath())) {
        struct stat st
        {
        };
        if (::stat(QFile::encodeName(info.absoluteFilePath()).constData(), &st) != 0 ||
            !(st.st_mode & S_IXOTH))
            return false;
        if (info.isRoot())
            return true;
    }
}

// Runs the copies of the test program's folder as a child and answers its exit status.
inline int runCopied(const std::filesystem::path& self, char** argv)
{
    namespace fs = std::filesystem;
    char folder[] = "/tmp/kestrel-asuser-XXXXXX";
    if (!::mkdtemp(folder) || ::chmod(folder, 0755) != 0)
        return 98;
    const auto removeCopies = qScopeGuard([&] {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    });
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(self.parent_path(), error)) {
        if (entry.is_regular_file() && ::access(entry.path().c_str(), X_OK) == 0)
            fs::copy_file(entry.path(), fs::path(folder) / entry.path().filename(), error);
    }
    const std::string copy = (fs::path(folder) / self.filename()).string();
    ::setenv("KESTREL_TEST_COPIES", folder, 1);
    const pid_t child = ::fork();
    if (child == 0) {
        ::execv(copy.c_str(), argv);
        ::_exit(97);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child)
        return 96;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Drops root; the exit status to end with when a copy ran the test instead.
inline std::optional<int> dropRoot(char** argv)
{
    if (::geteuid() != 0)
        return std::nullopt;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
    if (!reachableByOthers(QFile::decodeName(self.c_str())))
        return runCopied(self, argv);
    if (::setgid(65534) != 0 || ::setuid(65534) != 0)
        return 99;
    return std::nullopt;
}

// A program beside the test's own, given by its path in the build: its copy when the test
// runs from copies.
inline QString besideTest(const QString& program)
{
    const QString copies = qEnvironmentVariable("KESTREL_TEST_COPIES");
    return copies.isEmpty() ? program : copies + '/' + QFileInfo(program).fileName();
}

inline bool permissionsApply()
{
    return ::geteuid() != 0;
}
} // namespace asuser

#define SKIP_UNLESS_PERMISSIONS_APPLY()                                                            \
    if (!asuser::permissionsApply())                                                               \
    QSKIP("run as root from a folder only root can reach: permissions do not apply")
