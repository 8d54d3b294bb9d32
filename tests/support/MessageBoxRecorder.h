#pragma once

#include "platform/ui/MessageBox.h"

#include <QList>

// Installs itself as the message-box handler for its lifetime, records every
// request and answers from a queue (Ok, or the first queued answer for Yes/No
// questions; No when the queue is empty).
class MessageBoxRecorder
{
public:
    MessageBoxRecorder();
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    void queueAnswer(platform::MsgAnswer answer) { mAnswers.append(answer); }
    const QList<platform::MsgRequest>& requests() const { return mRequests; }
    QStringList texts() const;
    void clear() { mRequests.clear(); }

private:
    QList<platform::MsgRequest> mRequests;
    QList<platform::MsgAnswer> mAnswers;
    platform::MsgHandler mPrevious;
};
