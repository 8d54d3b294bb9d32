#pragma once

#include "platform/shell/Shell.h"

#include <QList>

// Installs itself as the shell for its lifetime, records every request (nothing is
// started) and answers from a queue; an empty queue answers success.
class ShellRecorder
{
public:
    ShellRecorder();
    ~ShellRecorder();
    ShellRecorder(const ShellRecorder&) = delete;
    ShellRecorder& operator=(const ShellRecorder&) = delete;

    void queueResult(const platform::ShellResult& result) { mResults.append(result); }
    void queueFailure(const QString& error) { mResults.append({false, error}); }
    const QList<platform::ShellRequest>& requests() const { return mRequests; }
    QStringList files() const;
    // Called with each request before it is answered, e.g. to look at the pointer.
    void setObserver(std::function<void(const platform::ShellRequest&)> observer)
    {
        mObserver = std::move(observer);
    }

private:
    QList<platform::ShellRequest> mRequests;
    QList<platform::ShellResult> mResults;
    std::function<void(const platform::ShellRequest&)> mObserver;
    platform::ShellHandler mPrevious;
};
