#include "platform/ui/MessageBox.h"

#include "platform/KestrelError.h"
#include "platform/log/Log.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

namespace platform {
namespace {
MsgHandler& installedHandler()
{
    static MsgHandler handler;
    return handler;
}
} // namespace

MsgAnswer MsgBox(const MsgRequest& request)
{
    if (const MsgHandler& handler = installedHandler())
        return handler(request);
    // No user interface (a command-line tool, a core test): say it on stderr.
    std::fprintf(stderr, "%s: %s\n", qUtf8Printable(request.title),
                 qUtf8Printable(log::terminalText(request.text)));
    return request.buttons == MsgButtons::YesNo ? MsgAnswer::No : MsgAnswer::Ok;
}

void ShowError(const KestrelError& error)
{
    MsgBox({error.description(), error.source(), MsgIcon::Critical, MsgButtons::Ok,
            error.helpFile(), error.helpContext()});
}

MsgAnswer MsgBoxWithReason(MsgRequest request, const QString& reason)
{
    if (reason.isEmpty())
        return MsgBox(request);
    // Without a handler MsgBox writes the whole text to standard error itself.
    if (installedHandler())
        std::fprintf(stderr, "%s: %s: %s\n", qUtf8Printable(QCoreApplication::applicationName()),
                     qUtf8Printable(log::terminalText(request.text)),
                     qUtf8Printable(log::terminalText(reason)));
    request.text += QStringLiteral("\n\n") + reason;
    return MsgBox(request);
}

QString shortenedForDisplay(const QString& text)
{
    constexpr qsizetype kWord = 60, kWhole = 600, kLines = 20;
    const QString ellipsis(QChar(0x2026));
    const auto cutMiddle = [&ellipsis](QStringView part, qsizetype keep) {
        if (part.size() <= keep)
            return part.toString();
        const qsizetype head = (keep - 1) / 2, tail = keep - 1 - head;
        return part.left(head).toString() + ellipsis + part.right(tail).toString();
    };

    QStringList lines;
    for (QStringView line : QStringView(text).split(u'\n')) {
        QStringList words;
        for (QStringView word : line.split(u' '))
            words.append(cutMiddle(word, kWord));
        lines.append(words.join(u' '));
    }
    if (lines.size() > kLines)
        lines =
            lines.mid(0, kLines / 2) + QStringList{ellipsis} + lines.mid(lines.size() - kLines / 2);
    return cutMiddle(lines.join(u'\n'), kWhole);
}

MsgHandler setMsgHandler(MsgHandler handler)
{
    MsgHandler previous = std::move(installedHandler());
    installedHandler() = std::move(handler);
    return previous;
}
} // namespace platform
