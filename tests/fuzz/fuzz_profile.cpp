// libFuzzer target for the profile parser and its in-place writes. Besides "no crash, no
// hang" it checks what a write promises: the value written reads back, other entries and
// every comment line keep their values, and repeating a write changes nothing more.
#include "platform/profile/ProfileText.h"
#include "tests/fuzz/FuzzCheck.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QByteArrayList>

using namespace platform::profile;

namespace {

QString trimBlanks(QString s)
{
    while (!s.isEmpty() && (s.front() == u' ' || s.front() == u'\t'))
        s.remove(0, 1);
    while (!s.isEmpty() && (s.back() == u' ' || s.back() == u'\t'))
        s.chop(1);
    return s;
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
    QByteArrayList result;
    for (const QByteArray& line : bytes.replace("\r\n", "\n").replace('\r', '\n').split('\n')) {
        qsizetype i = 0;
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        if (line.mid(i).startsWith(';'))
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
    bool touched = sameName(otherSection, section);
    if (sectionWrite) {
        if (!text::applyWriteSection(file, section, entries)) {
            check(file == original, "refused section write changed the bytes");
            return 0;
        }
        QStringList expected;
        for (const QString& e : entries) {
            const qsizetype eq = e.indexOf(u'=');
            if (eq >= 0)
                expected.append(trimBlanks(e.first(eq)) + u'=' + trimBlanks(e.mid(eq + 1)));
        }
        const std::optional<QStringList> got = text::readSection(file, section);
        check(got ? *got == expected : expected.isEmpty(), "section write does not read back");
    } else {
        if (!text::applyWriteString(file, section, key, value) || section.isNull()) {
            check(file == original, "refused write or flush changed the bytes");
            return 0;
        }
        if (key.isNull()) {
            check(!text::readValue(file, section, otherKey), "deleted section still read");
            for (const QString& name : text::sectionNames(file))
                check(!sameName(name, section), "deleted section still listed");
        } else {
            const std::optional<QString> now = text::readValue(file, section, key);
            check(value.isNull() ? !now : now == asRead(value), "value does not read back");
        }
        touched = touched && (key.isNull() || sameName(otherKey, key));
        QByteArray again = file;
        check(text::applyWriteString(again, section, key, value) && again == file,
              "repeating a write changed the file");
    }
    if (!touched)
        check(text::readValue(file, otherSection, otherKey) == otherBefore, "other entry changed");
    check(comments(file) == comments(original), "comment lines changed");
    return 0;
}
