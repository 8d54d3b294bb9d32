// libFuzzer target for the profile parser and its in-place writes. Besides "no crash, no
// hang" it checks what a write promises: the value written reads back, other entries and
// every comment line keep their values, and repeating a write changes nothing more.
#include "platform/profile/ProfileText.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QByteArrayList>

#include <cstdio>
#include <cstdlib>

using namespace platform::profile;

namespace {

// What the current input did, printed when an invariant breaks.
QString g_context;

void check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n%s\n", what, qPrintable(g_context));
        std::abort();
    }
}

QString trimBlanks(const QString& s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && (s[b] == u' ' || s[b] == u'\t'))
        ++b;
    while (e > b && (s[e - 1] == u' ' || s[e - 1] == u'\t'))
        --e;
    return s.mid(b, e - b);
}

// What a read gives for a value written verbatim.
QString asRead(const QString& written)
{
    QString v = trimBlanks(written);
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
        v = v.mid(1, v.size() - 2);
    return v;
}

bool sameName(const QString& a, const QString& b)
{
    return trimBlanks(a).compare(trimBlanks(b), Qt::CaseInsensitive) == 0;
}

// Comment lines, found independently of the parser.
QByteArrayList comments(QByteArray bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    bytes.replace("\r\n", "\n");
    bytes.replace('\r', '\n');
    QByteArrayList result;
    for (const QByteArray& line : bytes.split('\n')) {
        qsizetype i = 0;
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        if (i < line.size() && line[i] == ';')
            result.append(line.mid(i));
    }
    return result;
}

QString consumeText(FuzzedDataProvider& in, bool allowNull)
{
    if (allowNull && in.ConsumeBool())
        return QString();
    const std::string s = in.ConsumeRandomLengthString(48);
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const bool sectionWrite = in.ConsumeBool();
    const QString section = consumeText(in, true);
    const QString key = consumeText(in, true);
    const QString value = consumeText(in, true);
    const QString otherSection = consumeText(in, false);
    const QString otherKey = consumeText(in, false);
    QStringList entries;
    for (int n = in.ConsumeIntegralInRange(0, 4); n > 0; --n)
        entries.append(consumeText(in, false));
    const std::string rest = in.ConsumeRemainingBytesAsString();
    const QByteArray original(rest.data(), qsizetype(rest.size()));

    // Reading anything must work.
    (void)text::sectionNames(original);
    (void)text::readSection(original, otherSection);
    const std::optional<QString> otherBefore = text::readValue(original, otherSection, otherKey);
    if (otherBefore)
        (void)text::parseInt(*otherBefore);

    QByteArray file = original;
    auto describe = [&] {
        const auto show = [](const QString& t) {
            return t.isNull() ? QStringLiteral("<null>") : u'<' + t + u'>';
        };
        g_context = QStringLiteral("section %1 key %2 value %3 entries <%4>\nbefore: %5\nafter: %6")
                        .arg(show(section), show(key), show(value), entries.join(u'|'),
                             QString::fromLatin1(original.toPercentEncoding()),
                             QString::fromLatin1(file.toPercentEncoding()));
    };
    if (sectionWrite) {
        if (!text::applyWriteSection(file, section, entries)) {
            check(file == original, "refused section write changed the bytes");
            return 0;
        }
        describe();
        QStringList expected;
        for (const QString& e : entries) {
            const qsizetype eq = e.indexOf(u'=');
            if (eq >= 0)
                expected.append(trimBlanks(e.first(eq)) + u'=' + trimBlanks(e.mid(eq + 1)));
        }
        const std::optional<QStringList> got = text::readSection(file, section);
        if (got)
            g_context += u'\n' + got->join(u'|') + QStringLiteral(" != ") + expected.join(u'|');
        if (got)
            check(*got == expected, "section write does not read back");
        else
            check(expected.isEmpty(), "written section missing");
        if (!sameName(otherSection, section))
            check(text::readValue(file, otherSection, otherKey) == otherBefore,
                  "section write touched another section");
    } else {
        const bool accepted = text::applyWriteString(file, section, key, value);
        if (!accepted) {
            check(file == original, "refused write changed the bytes");
            return 0;
        }
        describe();
        if (section.isNull()) {
            check(file == original, "flush changed the bytes");
            return 0;
        }
        if (key.isNull()) {
            check(!text::readValue(file, section, otherKey), "deleted section still read");
            for (const QString& name : text::sectionNames(file))
                check(!sameName(name, section), "deleted section still listed");
        } else if (value.isNull()) {
            check(!text::readValue(file, section, key), "deleted key still read");
        } else {
            check(text::readValue(file, section, key) == asRead(value), "value does not read back");
        }
        const bool touched =
            sameName(otherSection, section) && (key.isNull() || sameName(otherKey, key));
        if (!touched)
            check(text::readValue(file, otherSection, otherKey) == otherBefore,
                  "write touched another entry");
        QByteArray again = file;
        check(text::applyWriteString(again, section, key, value) && again == file,
              "repeating a write changed the file");
    }
    check(comments(file) == comments(original), "comment lines changed");
    return 0;
}
