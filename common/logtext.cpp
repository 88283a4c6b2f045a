#include "logtext.h"

namespace LogText {

namespace {

bool isControl(ushort c)
{
    return c < 0x20 || (c >= 0x7f && c <= 0x9f) || c == 0x2028 || c == 0x2029;
}

} // namespace

QByteArray escaped(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        const ushort c = ch.unicode();
        if (c == '\\') {
            out += QLatin1String("\\\\");
        } else if (c == '\n') {
            out += QLatin1String("\\n");
        } else if (c == '\r') {
            out += QLatin1String("\\r");
        } else if (c == '\t') {
            out += QLatin1String("\\t");
        } else if (c < 0x100 && isControl(c)) {
            out += QStringLiteral("\\x%1").arg(c, 2, 16, QLatin1Char('0'));
        } else if (isControl(c)) {
            out += QStringLiteral("\\u%1").arg(c, 4, 16, QLatin1Char('0'));
        } else {
            out += ch;
        }
    }
    return out.toUtf8();
}

} // namespace LogText
