#pragma once

#include "platform/ErrorNumbers.h"

#include <QString>
#include <exception>

// The one error type of the system: number, source, description, help file and
// help context, raised to the caller until some code handles it.
class KestrelError : public std::exception
{
public:
    KestrelError(qint32 number, QString source, QString description, QString helpFile = {},
                 qint32 helpContext = 0)
        : mNumber(number), mSource(std::move(source)), mDescription(std::move(description)),
          mHelpFile(std::move(helpFile)), mHelpContext(helpContext), mWhat(mDescription.toUtf8())
    {
    }

    qint32 number() const { return mNumber; }
    const QString& source() const { return mSource; }
    const QString& description() const { return mDescription; }
    const QString& helpFile() const { return mHelpFile; }
    qint32 helpContext() const { return mHelpContext; }

    const char* what() const noexcept override { return mWhat.constData(); }

private:
    qint32 mNumber;
    QString mSource;
    QString mDescription;
    QString mHelpFile;
    qint32 mHelpContext;
    QByteArray mWhat;
};
