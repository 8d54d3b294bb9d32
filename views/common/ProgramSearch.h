#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

// Text as the search compares it: accents removed, letter case folded, control characters
// as blanks, in UTF-8.
QByteArray foldForSearch(QStringView text);

// The searchable text of every program of a list (its name and description, folded), kept
// in one buffer so that 100,000 programs cost a few megabytes, not one string each.
class ProgramSearchIndex
{
public:
    // One entry per list row, in row order.
    void build(const QStringList& names, const QStringList& descriptions);
    void clear();
    bool isEmpty() const { return mStart.size() <= 1; }
    int count() const { return int(mStart.size()) - 1; }
    // Bytes held (buffer and offsets).
    qsizetype memoryBytes() const;

    // Rows whose name or description contains every word of the query, in row order but
    // with the rows whose name starts with the whole query first. An empty query (or one
    // of blanks only) matches every row. The last queries' matches are kept: typing on (a
    // query whose words each contain a word of an earlier query) searches only that
    // query's matches, and going back (backspace) to a query costs no search at all.
    std::vector<int> match(QStringView query);

private:
    struct Past
    {
        QList<QByteArray> words;
        bool all = false;         // every row matched (matches left empty)
        std::vector<int> matches; // in row order
    };
    const Past* recall(const QList<QByteArray>& words) const;
    void remember(Past past);

    QByteArray mText;            // per row: name, 0x1f, description, 0x00
    std::vector<quint32> mStart; // row starts, and the end
    std::vector<Past> mPast;     // oldest first
};
