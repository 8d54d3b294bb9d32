#pragma once

#include <QString>
#include <functional>

class KestrelError;

namespace platform {
enum class MsgIcon { Information, Exclamation, Critical, Question };
enum class MsgButtons { Ok, YesNo };
enum class MsgAnswer { Ok, Yes, No };
struct MsgRequest
{
    QString text;
    QString title;
    MsgIcon icon;
    MsgButtons buttons;
    QString helpFile;
    qint32 helpContext = 0;
};
using MsgHandler = std::function<MsgAnswer(const MsgRequest&)>;
MsgAnswer MsgBox(const MsgRequest& request);  // asks the installed handler
MsgHandler setMsgHandler(MsgHandler handler); // returns the previous one
// The one way an error is shown: its description under its source, critical, with its help.
void ShowError(const KestrelError& error);
} // namespace platform
