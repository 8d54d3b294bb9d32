// libFuzzer target for the desktop-entry reader. Besides "no crash, no hang": a file is
// either read or refused with the line at fault, every key read is well formed, and
// decoding a value never grows it.
#include "platform/desktop/DesktopEntry.h"
#include "tests/fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const desktop::DesktopFile file = desktop::parseDesktopFile(bytes);
    const qsizetype lines = bytes.count('\n') + 1;
    if (!file.ok()) {
        check(file.groups.isEmpty(), "a refused file kept groups");
        check(file.errorLine >= 1 && file.errorLine <= lines, "error line out of range");
        return 0;
    }
    for (const auto& group : file.groups)
        for (const auto& entry : group.entries) {
            check(!entry.key.isEmpty() && !entry.key.contains(u'='), "malformed key");
            check(entry.line >= 1 && entry.line <= lines, "entry line out of range");
            QString decoded;
            if (desktop::decodeValue(entry.value, decoded))
                check(decoded.size() <= entry.value.size(), "decoding grew a value");
            else
                check(entry.value.endsWith(u'\\'), "refused a value without a trailing escape");
        }
    (void)desktop::localeKeys(QString::fromUtf8(bytes.left(64)));
    (void)desktop::execProgram(QString::fromUtf8(bytes.left(256)));
    return 0;
}
