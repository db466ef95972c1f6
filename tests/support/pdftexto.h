// A PDF read back as a reader would: poppler's pdftotext with the layout kept, pages separated by
// form feeds. A null text when the tool is missing or fails, so that a test cannot pass without it.
#pragma once

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

namespace kestrum::test {

inline QString pdfTexto(const QString& pdf) {
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (tool.isEmpty())
        return {};
    QProcess p;
    p.start(tool, {QStringLiteral("-layout"), QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf,
                   QStringLiteral("-")});
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The pages' texts.
inline QStringList pdfPaginas(const QString& pdf) {
    QStringList pages = pdfTexto(pdf).split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

// Whether `parts` appear in `text` in this order.
inline bool enOrden(const QString& text, const QStringList& parts) {
    qsizetype from = 0;
    for (const QString& part : parts) {
        const qsizetype at = text.indexOf(part, from);
        if (at < 0)
            return false;
        from = at + part.size();
    }
    return true;
}

} // namespace kestrum::test
