#include "textlines.h"

QStringList linesOf(const QByteArray& content)
{
    QStringList lines;
    QString current;
    const QString text = QString::fromLatin1(content);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n')) {
            current += c;
            continue;
        }
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
            ++i;
        lines << current;
        current.clear();
    }
    if (!current.isEmpty())
        lines << current;
    return lines;
}
