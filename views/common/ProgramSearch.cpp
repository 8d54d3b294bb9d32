#include "views/common/ProgramSearch.h"

#include <QSet>

#include <algorithm>
#include <cstring>
#include <numeric>

QByteArray foldForSearch(QStringView text)
{
    bool ascii = true;
    for (QChar c : text)
        if (c.unicode() >= 0x80) {
            ascii = false;
            break;
        }
    QByteArray out;
    if (ascii) {
        out.resize(text.size());
        char* to = out.data();
        for (QChar c : text) {
            const char16_t u = c.unicode();
            *to++ = u < 0x20 || u == 0x7f ? ' ' : (u >= 'A' && u <= 'Z' ? char(u + 32) : char(u));
        }
        return out;
    }
    // Compatibility decomposition splits "é" into "e" and a combining accent, which is
    // dropped; unpaired surrogates and the like fold to themselves.
    const QString decomposed = text.toString().normalized(QString::NormalizationForm_KD);
    QString folded;
    folded.reserve(decomposed.size());
    for (qsizetype i = 0; i < decomposed.size(); ++i) {
        char32_t code = decomposed.at(i).unicode();
        if (QChar::isHighSurrogate(code) && i + 1 < decomposed.size() &&
            QChar::isLowSurrogate(decomposed.at(i + 1).unicode()))
            code = QChar::surrogateToUcs4(char16_t(code), decomposed.at(++i).unicode());
        switch (QChar::category(code)) {
        case QChar::Mark_NonSpacing:
        case QChar::Mark_SpacingCombining:
        case QChar::Mark_Enclosing:
            continue;
        case QChar::Other_Control:
            folded.append(QLatin1Char(' '));
            continue;
        default:
            break;
        }
        const char32_t lower = QChar::toCaseFolded(code);
        if (QChar::requiresSurrogates(lower)) {
            folded.append(QChar(QChar::highSurrogate(lower)));
            folded.append(QChar(QChar::lowSurrogate(lower)));
        } else {
            folded.append(QChar(char16_t(lower)));
        }
    }
    return folded.toUtf8();
}

namespace {
constexpr char NameEnd = 0x1f;

QList<QByteArray> wordsOf(const QByteArray& folded)
{
    QList<QByteArray> words;
    QSet<QByteArray> seen;
    for (const QByteArray& word : folded.split(' '))
        if (!word.isEmpty() && !seen.contains(word)) {
            seen.insert(word);
            words.append(word);
        }
    // The longest words rule out most rows soonest.
    std::stable_sort(words.begin(), words.end(),
                     [](const QByteArray& a, const QByteArray& b) { return a.size() > b.size(); });
    return words;
}

// Whether the text holds the word. Rows are short: glibc's memmem spends more on setting up
// than on searching them, while memchr finds the first byte's places at once.
bool holds(const char* text, size_t length, const QByteArray& word)
{
    const size_t size = size_t(word.size());
    if (size > length)
        return false;
    const char* const data = word.constData();
    const char* const last = text + (length - size);
    for (const char* at = text; at <= last; ++at) {
        at = static_cast<const char*>(std::memchr(at, data[0], size_t(last - at) + 1));
        if (!at)
            return false;
        if (std::memcmp(at + 1, data + 1, size - 1) == 0)
            return true;
    }
    return false;
}

// Every old word lies inside some new word: the new matches are among the old ones.
bool narrows(const QList<QByteArray>& oldWords, const QList<QByteArray>& newWords)
{
    return std::all_of(oldWords.begin(), oldWords.end(), [&](const QByteArray& old) {
        return std::any_of(newWords.begin(), newWords.end(),
                           [&](const QByteArray& word) { return word.contains(old); });
    });
}
} // namespace

void ProgramSearchIndex::build(const QStringList& names, const QStringList& descriptions)
{
    clear();
    mStart.clear();
    mStart.reserve(size_t(names.size()) + 1);
    for (qsizetype row = 0; row < names.size(); ++row) {
        mStart.push_back(quint32(mText.size()));
        mText += foldForSearch(names.at(row));
        mText += NameEnd;
        mText += foldForSearch(descriptions.value(row));
        mText += '\0';
    }
    mStart.push_back(quint32(mText.size()));
    mText.squeeze();
    mStart.shrink_to_fit();
}

void ProgramSearchIndex::clear()
{
    mText.clear();
    mStart.clear();
    mStart.push_back(0);
    mPast.clear();
}

qsizetype ProgramSearchIndex::memoryBytes() const
{
    qsizetype past = 0;
    for (const Past& entry : mPast)
        past += qsizetype(entry.matches.capacity() * sizeof(int));
    return mText.capacity() + qsizetype(mStart.capacity() * sizeof(quint32)) + past;
}

const ProgramSearchIndex::Past* ProgramSearchIndex::recall(const QList<QByteArray>& words) const
{
    // The same words, else the smallest result that the words narrow.
    const Past* best = nullptr;
    for (const Past& past : mPast) {
        if (past.words == words)
            return &past;
        if (narrows(past.words, words) &&
            (!best || best->all || (!past.all && past.matches.size() < best->matches.size())))
            best = &past;
    }
    return best;
}

void ProgramSearchIndex::remember(Past past)
{
    // A few queries' worth: at most as many rows in all as the list holds (a result of
    // every row is kept as a flag), so backspacing through what was typed is free.
    constexpr size_t kQueries = 24;
    std::erase_if(mPast, [&](const Past& old) { return old.words == past.words; });
    mPast.push_back(std::move(past));
    const auto held = [this] {
        size_t rows = 0;
        for (const Past& entry : mPast)
            rows += entry.matches.size();
        return rows;
    };
    while (mPast.size() > 1 && (mPast.size() > kQueries || held() > size_t(count())))
        mPast.erase(mPast.begin());
}

std::vector<int> ProgramSearchIndex::match(QStringView query)
{
    const QByteArray folded = foldForSearch(query).simplified();
    const QList<QByteArray> words = wordsOf(folded);
    const int rows = count();

    std::vector<int> matches;
    const Past* past = recall(words);
    if (past && past->words == words) {
        if (past->all) {
            matches.resize(size_t(rows));
            std::iota(matches.begin(), matches.end(), 0);
        } else {
            matches = past->matches;
        }
    } else {
        std::vector<int> candidates;
        if (!past || past->all) {
            candidates.resize(size_t(rows));
            std::iota(candidates.begin(), candidates.end(), 0);
        }
        const std::vector<int>& from = past && !past->all ? past->matches : candidates;
        // A word inside one of the earlier query's words is in every row it matched.
        QList<QByteArray> needed;
        for (const QByteArray& word : words)
            if (!past || std::none_of(past->words.begin(), past->words.end(),
                                      [&](const QByteArray& old) { return old.contains(word); }))
                needed.append(word);
        matches.reserve(from.size());
        for (int row : from) {
            const char* text = mText.constData() + mStart[size_t(row)];
            const size_t length = mStart[size_t(row) + 1] - mStart[size_t(row)];
            if (std::all_of(needed.begin(), needed.end(),
                            [&](const QByteArray& word) { return holds(text, length, word); }))
                matches.push_back(row);
        }
        const bool all = matches.size() == size_t(rows);
        remember({words, all, all ? std::vector<int>() : matches});
    }

    // The folded query holds no name end, so a prefix equal to it lies inside the name.
    std::vector<int> ordered;
    ordered.reserve(matches.size());
    if (!folded.isEmpty()) {
        for (int row : matches)
            if (mStart[size_t(row) + 1] - mStart[size_t(row)] > size_t(folded.size()) &&
                std::memcmp(mText.constData() + mStart[size_t(row)], folded.constData(),
                            size_t(folded.size())) == 0)
                ordered.push_back(row);
    }
    if (ordered.empty() || ordered.size() == matches.size())
        return ordered.empty() ? matches : ordered;
    std::vector<bool> first(size_t(rows), false);
    for (int row : ordered)
        first[size_t(row)] = true;
    for (int row : matches)
        if (!first[size_t(row)])
            ordered.push_back(row);
    return ordered;
}
