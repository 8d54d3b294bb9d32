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

// The end of the comment (--, /* */) that starts at i, or i when none does.
qsizetype pastComment(const QString& s, qsizetype i)
{
    const QChar next = i + 1 < s.size() ? s.at(i + 1) : QChar();
    if (s.at(i) == u'-' && next == u'-') {
        const qsizetype end = s.indexOf(u'\n', i);
        return end < 0 ? s.size() : end;
    }
    if (s.at(i) == u'/' && next == u'*') {
        const qsizetype end = s.indexOf(QStringLiteral("*/"), i + 2);
        return end < 0 ? s.size() : end + 2;
    }
    return i;
}

// The end of the quoted text ('', "", and SQLite's `` and [] when sqlite) or dollar-quoted
// body that starts at i, or i when none does.
qsizetype pastQuoted(const QString& s, qsizetype i, bool sqlite)
{
    const QChar c = s.at(i);
    if (c == u'\'' || c == u'"' || (sqlite && c == u'`'))
        return skipQuoted(s, i, c);
    if (sqlite && c == u'[')
        return skipQuoted(s, i, u']');
    if (const QString tag = c == u'$' ? dollarTag(s, i) : QString(); !tag.isEmpty()) {
        const qsizetype end = s.indexOf(tag, i + tag.size());
        return end < 0 ? s.size() : end + tag.size();
    }
    return i;
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
        if (c.isSpace()) {
            ++i;
            continue;
        }
        if (const qsizetype end = pastComment(script, i); end != i) {
            i = end;
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
        if (const qsizetype end = pastQuoted(script, i, true); end != i) {
            i = end;
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

QList<qsizetype> sqlPlaceholders(const QString& statement)
{
    QList<qsizetype> found;
    qsizetype i = 0;
    while (i < statement.size()) {
        if (qsizetype end = pastComment(statement, i); end != i) {
            i = end;
        } else if (end = pastQuoted(statement, i, false); end != i) {
            i = end;
        } else {
            if (statement.at(i) == u'?')
                found.append(i);
            ++i;
        }
    }
    return found;
}
