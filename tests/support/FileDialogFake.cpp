#include "tests/support/FileDialogFake.h"

FileDialogFake::FileDialogFake()
{
    mPrevious = platform::setFileDialogHandler([this](const platform::FileDialogRequest& request) {
        mRequests.append(request);
        return mAnswers.isEmpty() ? std::nullopt : mAnswers.takeFirst();
    });
}

FileDialogFake::~FileDialogFake()
{
    platform::setFileDialogHandler(std::move(mPrevious));
}
