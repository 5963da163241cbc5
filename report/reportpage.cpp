#include "reportpage.h"

#include "htmltext.h"
#include "reportsections.h"

#include <QFileInfo>

namespace {

// Colours as variables, so that one media query turns the page and its charts dark.
const char styleSheet[] = R"(
:root { --fg: #1d232a; --muted: #5c6670; --bg: #ffffff; --panel: #f3f5f7; --line: #d5dade;
  --bar: #3b7dd8; --p0: #2e9d5b; --p1: #d64545; --p2: #e0a526; --p3: #8fb8e8; --p4: #f08a3c;
  --p5: #d5dade; --s0: #3b7dd8; --s1: #e8743b; --s2: #2e9d5b; --s3: #b051b8; --s4: #c9a227;
  --s5: #19a3a3; --s6: #d64545; --s7: #6b6f76; --a: #1f77ff; --b: #ff7f0e; }
@media (prefers-color-scheme: dark) {
  :root { --fg: #e3e7eb; --muted: #9aa4ae; --bg: #16191d; --panel: #20252b; --line: #3a4048;
    --bar: #6aa5f0; --p5: #3a4048; --p3: #4f7fb5; --s7: #aab0b8; }
}
* { box-sizing: border-box; }
body { margin: 0 auto; max-width: 1100px; padding: 24px; background: var(--bg); color: var(--fg);
  font: 14px/1.45 system-ui, -apple-system, "Segoe UI", Roboto, sans-serif; }
h1 { font-size: 26px; margin: 0 0 4px; }
h2 { font-size: 20px; border-bottom: 2px solid var(--line); padding-bottom: 4px; margin-top: 32px; }
h3 { font-size: 15px; margin: 20px 0 8px; }
small, .note, .sub { color: var(--muted); }
code, .name { overflow-wrap: anywhere; }
.tiles { display: flex; flex-wrap: wrap; gap: 10px; margin: 12px 0 16px; }
.tile { background: var(--panel); border-radius: 8px; padding: 10px 16px; min-width: 120px; }
.tile b { display: block; font-size: 24px; }
.tile span { color: var(--muted); }
svg.chart { width: 100%; height: auto; display: block; margin: 6px 0; }
svg text { fill: var(--fg); font-size: 11px; }
svg text.value { fill: var(--muted); }
svg .bar { fill: var(--bar); }
svg .axis { stroke: var(--line); }
svg .line { fill: none; stroke-width: 2; }
.p0 { fill: var(--p0); } .p1 { fill: var(--p1); } .p2 { fill: var(--p2); }
.p3 { fill: var(--p3); } .p4 { fill: var(--p4); } .p5 { fill: var(--p5); }
.s0 { stroke: var(--s0); fill: var(--s0); } .s1 { stroke: var(--s1); fill: var(--s1); }
.s2 { stroke: var(--s2); fill: var(--s2); } .s3 { stroke: var(--s3); fill: var(--s3); }
.s4 { stroke: var(--s4); fill: var(--s4); } .s5 { stroke: var(--s5); fill: var(--s5); }
.s6 { stroke: var(--s6); fill: var(--s6); } .s7 { stroke: var(--s7); fill: var(--s7); }
svg .line.s0, svg .line.s1, svg .line.s2, svg .line.s3, svg .line.s4, svg .line.s5,
svg .line.s6, svg .line.s7 { fill: none; }
svg.cellbar { width: 160px; height: 10px; }
table { border-collapse: collapse; width: 100%; }
th, td { text-align: right; padding: 3px 8px; border-bottom: 1px solid var(--line); }
th:first-child, td.name { text-align: left; }
.unused span { display: inline-block; background: var(--panel); color: var(--muted);
  border-radius: 4px; padding: 1px 6px; margin: 2px; text-decoration: line-through; }
.thumbs { display: grid; grid-template-columns: repeat(auto-fill, minmax(240px, 1fr)); gap: 12px; }
figure { margin: 0; background: var(--panel); border-radius: 8px; padding: 8px; }
figure img { width: 100%; height: auto; display: block; border-radius: 4px; }
figcaption { font-size: 12px; margin-top: 4px; }
.nothumb { height: 120px; display: flex; align-items: center; justify-content: center;
  color: var(--muted); border: 1px dashed var(--line); }
.opa { color: var(--a); font-weight: 600; } .opb { color: var(--b); font-weight: 600; }
ul.files, ul.rejected { padding-left: 20px; }
@page { size: A4; margin: 14mm; }
@media print {
  body { max-width: none; padding: 0; font-size: 11px; }
  section { break-before: page; }
  section:first-of-type { break-before: auto; }
  figure, .tile, tr, svg { break-inside: avoid; }
  h2, h3 { break-after: avoid; }
}
)";

} // namespace

QByteArray reportPage(const ReportInput& input)
{
    QString html =
        QStringLiteral("<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
                       "<meta name=\"viewport\" content=\"width=device-width\">"
                       "<meta name=\"color-scheme\" content=\"light dark\">"
                       "<title>Dataset report: %1</title><style>")
            .arg(htmlText(QFileInfo(input.dataset).absoluteFilePath()));
    html += QLatin1String(styleSheet);
    html += QStringLiteral("</style></head><body><header><h1>Dataset report</h1>"
                           "<p class=\"sub\"><code>%1</code>, made %2</p></header>")
                .arg(htmlText(QFileInfo(input.dataset).absoluteFilePath()),
                     htmlText(input.made.toString(Qt::ISODate)));
    html += progressSection(input) + peopleSection(input) + contentSection(input) +
            qualitySection(input) + agreementSection(input);
    html += QStringLiteral("</body></html>\n");
    return html.toUtf8();
}
