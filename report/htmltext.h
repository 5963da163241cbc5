#ifndef QUADROTAG_HTMLTEXT_H
#define QUADROTAG_HTMLTEXT_H

#include <QString>

// Text from files and names made safe for HTML and SVG: markup characters and quotes become
// entities, and control characters, which no page may hold, their \xNN escapes.
QString htmlText(const QString& text);
// The same, cut to at most maxLength characters with an ellipsis: a caption of thousands of
// characters would push a chart off the page.
QString shortHtmlText(const QString& text, int maxLength);
// A count with thin spaces between thousands.
QString countText(long long value);
// One decimal, as --stats prints rates and hours.
QString tenthsText(double value);

#endif
