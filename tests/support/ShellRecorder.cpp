#include "tests/support/ShellRecorder.h"

#include <QStringList>

ShellRecorder::ShellRecorder()
{
    mPrevious = platform::setShellHandler([this](const platform::ShellRequest& request) {
        mRequests.append(request);
        if (mObserver)
            mObserver(request);
        return mResults.isEmpty() ? platform::ShellResult{true, {}} : mResults.takeFirst();
    });
}

ShellRecorder::~ShellRecorder()
{
    platform::setShellHandler(std::move(mPrevious));
}

QStringList ShellRecorder::files() const
{
    QStringList result;
    for (const auto& request : mRequests)
        result.append(request.file);
    return result;
}
