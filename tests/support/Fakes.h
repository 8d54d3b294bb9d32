#pragma once

#include "platform/shell/Shell.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/MousePointer.h"

#include <QList>
#include <QStringList>
#include <optional>

// Fakes of the platform hooks. Each installs itself for its lifetime, records what was
// asked and answers from a queue, then puts the previous handler back.
template <typename Handler, Handler (*Install)(Handler)> class HookFake
{
public:
    HookFake(const HookFake&) = delete;
    HookFake& operator=(const HookFake&) = delete;

protected:
    explicit HookFake(Handler handler) : mPrevious(Install(std::move(handler))) {}
    ~HookFake() { Install(std::move(mPrevious)); }

private:
    Handler mPrevious;
};

// Answers Ok, or the first queued answer for a Yes/No question (No when none is queued).
class MessageBoxRecorder : HookFake<platform::MsgHandler, platform::setMsgHandler>
{
public:
    MessageBoxRecorder()
        : HookFake([this](const platform::MsgRequest& request) {
              mRequests.append(request);
              if (request.buttons == platform::MsgButtons::Ok)
                  return platform::MsgAnswer::Ok;
              return mAnswers.isEmpty() ? platform::MsgAnswer::No : mAnswers.takeFirst();
          })
    {
    }
    void queueAnswer(platform::MsgAnswer answer) { mAnswers.append(answer); }
    const QList<platform::MsgRequest>& requests() const { return mRequests; }
    QStringList texts() const
    {
        QStringList result;
        for (const auto& request : mRequests)
            result.append(request.text);
        return result;
    }

private:
    QList<platform::MsgRequest> mRequests;
    QList<platform::MsgAnswer> mAnswers;
};

// An empty queue answers as a cancelled dialog.
class FileDialogFake : HookFake<platform::FileDialogHandler, platform::setFileDialogHandler>
{
public:
    FileDialogFake()
        : HookFake([this](const platform::FileDialogRequest& request) {
              mRequests.append(request);
              return mAnswers.isEmpty() ? std::nullopt : mAnswers.takeFirst();
          })
    {
    }
    void queueAnswer(const QString& path) { mAnswers.append(path); }
    const QList<platform::FileDialogRequest>& requests() const { return mRequests; }

private:
    QList<platform::FileDialogRequest> mRequests;
    QList<std::optional<QString>> mAnswers;
};

// Starts nothing; an empty queue answers success. The observer sees each request
// before it is answered (e.g. to look at the pointer meanwhile).
class ShellRecorder : HookFake<platform::ShellHandler, platform::setShellHandler>
{
public:
    ShellRecorder()
        : HookFake([this](const platform::ShellRequest& request) {
              mRequests.append(request);
              if (mObserver)
                  mObserver(request);
              return mResults.isEmpty() ? platform::ShellResult{true, {}} : mResults.takeFirst();
          })
    {
    }
    void queueFailure(const QString& error) { mResults.append({false, error}); }
    void setObserver(std::function<void(const platform::ShellRequest&)> observer)
    {
        mObserver = std::move(observer);
    }
    const QList<platform::ShellRequest>& requests() const { return mRequests; }
    QStringList files() const
    {
        QStringList result;
        for (const auto& request : mRequests)
            result.append(request.file);
        return result;
    }

private:
    QList<platform::ShellRequest> mRequests;
    QList<platform::ShellResult> mResults;
    std::function<void(const platform::ShellRequest&)> mObserver;
};

class MousePointerRecorder
    : HookFake<platform::MousePointerHandler, platform::setMousePointerHandler>
{
public:
    MousePointerRecorder()
        : HookFake([this](platform::MousePointer pointer) { mSequence.append(pointer); })
    {
    }
    const QList<platform::MousePointer>& sequence() const { return mSequence; }
    // The pointer now showing: the last one set, Default before any.
    platform::MousePointer current() const
    {
        return mSequence.isEmpty() ? platform::MousePointer::Default : mSequence.constLast();
    }

private:
    QList<platform::MousePointer> mSequence;
};
