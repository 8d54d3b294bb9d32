#pragma once

#include <QString>

// The one way text is trimmed and paths are joined, so that the rules live in one place.
namespace platform {

enum class TrimEnds { Both, End };

// A space: the only character the settings and the catalogue trim.
constexpr bool isSpace(char16_t c)
{
    return c == u' ';
}
// A blank of the INI text: a space or a tab.
constexpr bool isBlank(char16_t c)
{
    return c == u' ' || c == u'\t';
}

// text less the characters isTrimmed accepts at both ends, or at the end only. Works on
// QString, QStringView and QByteArrayView; a null text stays null.
template <typename Text, typename Predicate>
Text trimmed(const Text& text, Predicate isTrimmed, TrimEnds ends = TrimEnds::Both)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    if (ends == TrimEnds::Both) {
        while (begin < end && isTrimmed(text[begin]))
            ++begin;
    }
    while (end > begin && isTrimmed(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

// name inside folder, with exactly one "/" between them when folder ends in one.
inline QString joinPath(const QString& folder, const QString& name)
{
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

} // namespace platform
