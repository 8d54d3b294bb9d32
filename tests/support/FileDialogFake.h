#pragma once

#include "platform/ui/FileDialog.h"

#include <QList>

// Installs itself as the open-file dialog for its lifetime, records every request
// and answers from a queue; an empty queue answers as a cancelled dialog.
class FileDialogFake
{
public:
    FileDialogFake();
    ~FileDialogFake();
    FileDialogFake(const FileDialogFake&) = delete;
    FileDialogFake& operator=(const FileDialogFake&) = delete;

    void queueAnswer(const QString& path) { mAnswers.append(path); }
    void queueCancel() { mAnswers.append(std::nullopt); }
    const QList<platform::FileDialogRequest>& requests() const { return mRequests; }

private:
    QList<platform::FileDialogRequest> mRequests;
    QList<std::optional<QString>> mAnswers;
    platform::FileDialogHandler mPrevious;
};
