#include "HtmlText.h"

#include <QRegularExpression>
#include <QStringDecoder>

namespace HtmlText {

namespace {

bool isSpace(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f' || c == QChar(0x00A0);
}

enum class Break { None, Line, Cell };

Break breakOf(QStringView tag)
{
    static const QStringList lines{
        "p",      "div",     "br",       "tr",     "li",      "h1",         "h2",      "h3",
        "h4",     "h5",      "h6",       "table",  "ul",      "ol",         "section", "article",
        "hr",     "dl",      "dt",       "dd",     "pre",     "blockquote", "form",    "nav",
        "header", "footer",  "main",     "aside",  "caption", "thead",      "tbody",   "tfoot",
        "title",  "address", "fieldset", "figure", "center"};
    if (tag.compare(u"td", Qt::CaseInsensitive) == 0 || tag.compare(u"th", Qt::CaseInsensitive) == 0)
        return Break::Cell;
    for (const QString &name : lines)
        if (tag.compare(name, Qt::CaseInsensitive) == 0)
            return Break::Line;
    return Break::None;
}

// Collects visible text: blanks collapse to one, line and cell breaks absorb the blanks around them.
class Output
{
public:
    void text(QChar c)
    {
        if (isSpace(c)) {
            m_pendingSpace = true;
            return;
        }
        if (m_pendingSpace && !m_out.isEmpty() && !endsWithBreak())
            m_out += u' ';
        m_pendingSpace = false;
        m_out += c;
    }
    void lineBreak()
    {
        m_pendingSpace = false;
        while (m_out.endsWith(u' '))
            m_out.chop(1);
        if (!m_out.isEmpty() && !m_out.endsWith(u'\n'))
            m_out += u'\n';
    }
    void cell()
    {
        m_pendingSpace = false;
        while (m_out.endsWith(u' '))
            m_out.chop(1);
        // A row's first cell starts its line; the others follow a tab.
        if (!m_out.isEmpty() && !m_out.endsWith(u'\n') && m_cellOpen)
            m_out += u'\t';
        m_cellOpen = true;
    }
    void rowEnd() { m_cellOpen = false; }
    QString result()
    {
        lineBreak();
        return m_out.trimmed();
    }

private:
    bool endsWithBreak() const { return m_out.endsWith(u'\n') || m_out.endsWith(u'\t'); }
    QString m_out;
    bool m_pendingSpace = false;
    bool m_cellOpen = false;
};

QString entity(QStringView name)
{
    if (name.startsWith(u'#')) {
        bool ok = false;
        const uint code = name.size() > 1 && (name[1] == u'x' || name[1] == u'X')
                              ? name.mid(2).toUInt(&ok, 16)
                              : name.mid(1).toUInt(&ok, 10);
        if (!ok || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return QStringLiteral("\uFFFD");
        return QString::fromUcs4(reinterpret_cast<const char32_t *>(&code), 1);
    }
    static const std::pair<const char16_t *, const char16_t *> named[] = {
        {u"amp", u"&"},    {u"lt", u"<"},   {u"gt", u">"},   {u"quot", u"\""},
        {u"apos", u"'"},   {u"nbsp", u" "}, {u"ensp", u" "}, {u"emsp", u" "},
        {u"middot", u"·"}, {u"copy", u"©"}, {u"times", u"×"}};
    for (const auto &[key, value] : named)
        if (name == QStringView(key))
            return QString::fromUtf16(value);
    return {};
}

} // namespace

QString visibleText(QStringView html)
{
    // Only the body is shown; a page without one is taken whole.
    qsizetype begin = 0;
    static const QRegularExpression bodyTag(QStringLiteral("<body[\\s>]"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch body = bodyTag.match(html);
    if (body.hasMatch())
        begin = body.capturedStart();

    Output out;
    const qsizetype size = html.size();
    qsizetype i = begin;
    while (i < size) {
        const QChar c = html[i];
        if (c == u'&') {
            qsizetype end = i + 1;
            while (end < size && end - i <= 10 && (html[end].isLetterOrNumber() || html[end] == u'#'))
                ++end;
            if (end < size && html[end] == u';' && end > i + 1) {
                const QString decoded = entity(html.sliced(i + 1, end - i - 1));
                if (!decoded.isEmpty()) {
                    for (QChar d : decoded)
                        out.text(d);
                    i = end + 1;
                    continue;
                }
            }
            out.text(c);
            ++i;
            continue;
        }
        if (c != u'<') {
            out.text(c);
            ++i;
            continue;
        }
        if (html.sliced(i).startsWith(u"<!--")) {
            const qsizetype end = html.indexOf(u"-->", i + 4);
            i = end < 0 ? size : end + 3;
            continue;
        }
        const qsizetype close = html.indexOf(u'>', i + 1);
        if (close < 0)
            break; // a tag that never ends: the rest is no text
        QStringView tag = html.sliced(i + 1, close - i - 1);
        const bool ending = tag.startsWith(u'/');
        if (ending)
            tag = tag.sliced(1);
        qsizetype nameEnd = 0;
        while (nameEnd < tag.size() && (tag[nameEnd].isLetterOrNumber()))
            ++nameEnd;
        const QStringView name = tag.first(nameEnd);
        i = close + 1;
        if (!ending && (name.compare(u"script", Qt::CaseInsensitive) == 0 ||
                        name.compare(u"style", Qt::CaseInsensitive) == 0 ||
                        name.compare(u"head", Qt::CaseInsensitive) == 0)) {
            // Their content is never shown: skip to the closing tag.
            const QString closing = QStringLiteral("</") + name.toString();
            const qsizetype end = html.indexOf(closing, i, Qt::CaseInsensitive);
            if (end < 0)
                break;
            const qsizetype after = html.indexOf(u'>', end);
            i = after < 0 ? size : after + 1;
            continue;
        }
        if (!ending && name.compare(u"img", Qt::CaseInsensitive) == 0) {
            // An image's alt text stands for it: results pages draw the dice as images.
            static const QRegularExpression alt(QStringLiteral("\\balt\\s*=\\s*(\"([^\"]*)\"|'([^']*)'|([^\\s>]+))"),
                                                QRegularExpression::CaseInsensitiveOption);
            const QRegularExpressionMatch m = alt.match(tag);
            if (m.hasMatch()) {
                out.text(u' ');
                for (QChar d : m.captured(2) + m.captured(3) + m.captured(4))
                    out.text(d);
                out.text(u' ');
            }
            continue;
        }
        switch (breakOf(name)) {
        case Break::Cell:
            if (!ending)
                out.cell();
            break;
        case Break::Line:
            out.lineBreak();
            if (name.compare(u"tr", Qt::CaseInsensitive) == 0)
                out.rowEnd();
            break;
        case Break::None:
            break;
        }
    }
    return out.result();
}

QString decode(const QByteArray &bytes, const QByteArray &contentType)
{
    QByteArray charset;
    static const QRegularExpression named(QStringLiteral("charset\\s*=\\s*[\"']?([A-Za-z0-9_.:-]+)"),
                                          QRegularExpression::CaseInsensitiveOption);
    QRegularExpressionMatch match = named.match(QString::fromLatin1(contentType));
    if (!match.hasMatch())
        match = named.match(QString::fromLatin1(bytes.left(4096)));
    if (match.hasMatch())
        charset = match.captured(1).toLatin1();
    if (charset.isEmpty()) {
        // No charset declared: UTF-8 if the page is valid UTF-8, else GB18030, which Chinese
        // results pages without a declaration are written in.
        QStringDecoder utf8(QStringDecoder::Utf8);
        QString text = utf8.decode(bytes);
        if (!utf8.hasError())
            return text;
        QStringDecoder gb("GB18030");
        if (gb.isValid())
            return gb.decode(bytes);
        return text;
    }
    QStringDecoder decoder(charset.constData());
    if (!decoder.isValid())
        decoder = QStringDecoder(QStringDecoder::Utf8);
    return decoder.decode(bytes);
}

} // namespace HtmlText
