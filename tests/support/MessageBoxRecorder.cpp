#include "tests/support/MessageBoxRecorder.h"

#include <QStringList>

MessageBoxRecorder::MessageBoxRecorder()
{
    mPrevious = platform::setMsgHandler([this](const platform::MsgRequest& request) {
        mRequests.append(request);
        if (request.buttons == platform::MsgButtons::Ok)
            return platform::MsgAnswer::Ok;
        return mAnswers.isEmpty() ? platform::MsgAnswer::No : mAnswers.takeFirst();
    });
}

MessageBoxRecorder::~MessageBoxRecorder()
{
    platform::setMsgHandler(std::move(mPrevious));
}

QStringList MessageBoxRecorder::texts() const
{
    QStringList result;
    for (const auto& request : mRequests)
        result.append(request.text);
    return result;
}
