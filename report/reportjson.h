#ifndef QUADROTAG_REPORTJSON_H
#define QUADROTAG_REPORTJSON_H

#include "reportinput.h"

#include <QByteArray>

// The page's figures as one JSON object on one line: "stats" is exactly what
// quadrotag-export --stats --json prints and "agreement" what quadrotag-agree --json prints
// (null without a second copy), beside the figures only the page has.
QByteArray reportJson(const ReportInput& input);

#endif
