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

// A message whose text is fixed, with the reason for it on a line of its own below the
// text; the reason goes to standard error as well. Without a reason, just MsgBox.
MsgAnswer MsgBoxWithReason(MsgRequest request, const QString& reason);

// A text as a box shows it: texts from files can be huge. Each word longer than 60
// characters (a path, mostly) loses its middle, and so does a text longer than 600
// characters or 20 lines; "…" marks each cut.
QString shortenedForDisplay(const QString& text);
} // namespace platform
