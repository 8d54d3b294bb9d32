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
    // of blanks only) matches every row. Typing on (a query whose words each contain a
    // word of the previous query) searches only the previous matches.
    std::vector<int> match(QStringView query);

private:
    QByteArray mText;            // per row: name, 0x1f, description, 0x00
    std::vector<quint32> mStart; // row starts, and the end
    QList<QByteArray> mLastWords;
    std::vector<int> mLastMatches; // in row order
    bool mHaveLast = false;
};
