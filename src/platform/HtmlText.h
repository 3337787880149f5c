#pragma once

#include <QByteArray>
#include <QString>

namespace HtmlText {

// The text a browser shows for an HTML page: scripts, styles, comments and the head dropped,
// entities decoded, blanks collapsed, block elements and table rows on lines of their own and
// table cells separated by tabs. Linear in the page's length.
QString visibleText(QStringView html);

// The page's bytes as text, in the character set the server or the page names (UTF-8 when
// none is named or it is unknown).
QString decode(const QByteArray &bytes, const QByteArray &contentType);

} // namespace HtmlText
