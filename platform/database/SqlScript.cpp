#include "platform/database/SqlScript.h"

namespace {
bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'$';
}

// The end of the quoted run that starts at i (past its closing quote); a doubled closing
// quote is part of the text.
qsizetype skipQuoted(const QString& s, qsizetype i, QChar close)
{
    for (++i; i < s.size(); ++i) {
        if (s.at(i) != close)
            continue;
        if (close != u']' && i + 1 < s.size() && s.at(i + 1) == close)
            ++i;
        else
            return i + 1;
    }
    return s.size();
}

// "$tag$" starting at i, or empty when i does not open a dollar-quoted body.
QString dollarTag(const QString& s, qsizetype i)
{
    if (i > 0 && isWordChar(s.at(i - 1)))
        return {};
    qsizetype j = i + 1;
    if (j < s.size() && s.at(j).isDigit())
        return {}; // $1 is a parameter
    while (j < s.size() && (s.at(j).isLetterOrNumber() || s.at(j) == u'_'))
        ++j;
    return j < s.size() && s.at(j) == u'$' ? s.mid(i, j - i + 1) : QString();
}
} // namespace

QStringList splitSqlStatements(const QString& script)
{
    QStringList statements;
    QString first; // the statement's first word, upper-cased
    int wordCount = 0;
    qsizetype start = -1; // where the statement's first token begins
    int depth = 0;        // BEGIN/CASE ... END nesting inside a trigger's body
    bool trigger = false;
    const auto finish = [&](qsizetype end) {
        if (start >= 0)
            statements.append(script.mid(start, end - start).trimmed());
        start = -1;
        first.clear();
        wordCount = 0;
        depth = 0;
        trigger = false;
    };

    qsizetype i = 0;
    while (i < script.size()) {
        const QChar c = script.at(i);
        const QChar next = i + 1 < script.size() ? script.at(i + 1) : QChar();
        if (c.isSpace()) {
            ++i;
            continue;
        }
        if (c == u'-' && next == u'-') {
            while (i < script.size() && script.at(i) != u'\n')
                ++i;
            continue;
        }
        if (c == u'/' && next == u'*') {
            const qsizetype end = script.indexOf(QStringLiteral("*/"), i + 2);
            i = end < 0 ? script.size() : end + 2;
            continue;
        }
        if (c == u';') {
            if (depth == 0)
                finish(i);
            ++i;
            continue;
        }
        if (start < 0)
            start = i;
        if (c == u'\'' || c == u'"' || c == u'`') {
            i = skipQuoted(script, i, c);
        } else if (c == u'[') {
            i = skipQuoted(script, i, u']');
        } else if (const QString tag = c == u'$' ? dollarTag(script, i) : QString();
                   !tag.isEmpty()) {
            const qsizetype end = script.indexOf(tag, i + tag.size());
            i = end < 0 ? script.size() : end + tag.size();
        } else if (isWordChar(c)) {
            qsizetype j = i;
            while (j < script.size() && isWordChar(script.at(j)))
                ++j;
            const QString word = script.mid(i, j - i).toUpper();
            i = j;
            if (++wordCount == 1)
                first = word;
            // CREATE [TEMP|TEMPORARY] TRIGGER ... BEGIN body END: its ';'s are inside it.
            if (wordCount <= 3 && word == QStringLiteral("TRIGGER") &&
                first == QStringLiteral("CREATE"))
                trigger = true;
            if (trigger &&
                (word == QStringLiteral("BEGIN") || (depth > 0 && word == QStringLiteral("CASE"))))
                ++depth;
            else if (trigger && depth > 0 && word == QStringLiteral("END"))
                --depth;
        } else {
            ++i;
        }
    }
    finish(script.size());
    return statements;
}
