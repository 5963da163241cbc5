#include "agreementthumbnail.h"
#include "htmltext.h"
#include "reportsections.h"
#include "svgcharts.h"

#include "labelpath.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <map>
#include <optional>

namespace {

const std::size_t barsShown = 40;
const std::size_t unusedShown = 200;
// Shape counts of an image beyond this share the last column.
const int histogramColumns = 30;

QString noteParagraph(const QString& text)
{
    return QStringLiteral("<p class=\"note\">%1</p>").arg(text);
}

QString kappaText(const std::optional<double>& kappa)
{
    return kappa ? QString::number(*kappa, 'f', 3) : QStringLiteral("—");
}

std::vector<ChartBar> largestFirst(std::vector<ChartBar> bars)
{
    std::stable_sort(bars.begin(), bars.end(),
                     [](const ChartBar& a, const ChartBar& b) { return a.value > b.value; });
    return bars;
}

QString barsWithMore(const std::vector<ChartBar>& sorted)
{
    const std::vector<ChartBar> shown(sorted.begin(),
                                      sorted.begin() + std::min(sorted.size(), barsShown));
    QString html = horizontalBars(shown);
    if (sorted.size() > barsShown)
        html +=
            noteParagraph(QStringLiteral("and %1 more").arg(countText(sorted.size() - barsShown)));
    return html;
}

// The tags that no shape carries are named, so that a lead sees what nobody uses.
QString tagCharts(const DatasetStatistics& statistics)
{
    std::vector<ChartBar> used;
    QStringList unused;
    std::map<QString, long long> byCategory;
    for (const DatasetStatistics::TagCount& tag : statistics.tags()) {
        if (tag.shapes > 0)
            used.push_back({tag.caption, tag.shapes});
        else
            unused << tag.caption;
        // A category tag's caption is "Category: Tag".
        const qsizetype colon = tag.caption.indexOf(QStringLiteral(": "));
        if (colon > 0)
            byCategory[tag.caption.left(colon)] += tag.shapes;
    }
    QString html = QStringLiteral("<h3>Shapes per tag</h3>");
    html += used.empty() ? noteParagraph(QStringLiteral("No shape carries a tag yet."))
                         : barsWithMore(largestFirst(used));
    if (!byCategory.empty()) {
        std::vector<ChartBar> categories;
        for (const auto& [name, shapes] : byCategory)
            categories.push_back({name, shapes});
        html += QStringLiteral("<h3>Tagged shapes per category</h3>") +
                barsWithMore(largestFirst(categories));
    }
    if (!unused.isEmpty()) {
        html += QStringLiteral("<h3>Tags never used (%1)</h3><p class=\"unused\">")
                    .arg(countText(unused.size()));
        for (qsizetype index = 0; index < unused.size() && index < qsizetype(unusedShown); ++index)
            html += QStringLiteral("<span>%1</span> ").arg(shortHtmlText(unused[index], 60));
        html += QStringLiteral("</p>");
    }
    return html;
}

QString styleChart(const DatasetStatistics& statistics)
{
    std::vector<ChartBar> styles;
    for (qsizetype index = 0; index < statistics.styleNames().size(); ++index)
        styles.push_back({statistics.styleNames()[index],
                          statistics.styleImages()[static_cast<std::size_t>(index)]});
    return QStringLiteral("<h3>Images per style</h3>") + horizontalBars(largestFirst(styles));
}

QString shapeCountHistogram(const DatasetStatistics& statistics)
{
    std::vector<ChartBar> columns;
    for (const auto& [shapes, images] : statistics.shapeCounts()) {
        const int column = std::min(shapes, histogramColumns);
        while (static_cast<int>(columns.size()) <= column)
            columns.push_back({QString::number(columns.size()), 0});
        columns[static_cast<std::size_t>(column)].value += images;
    }
    if (static_cast<int>(columns.size()) > histogramColumns)
        columns.back().label = QStringLiteral("%1+").arg(histogramColumns);
    return QStringLiteral("<h3>Shapes per labelled image</h3><p>min %1, median %2, max %3</p>")
               .arg(statistics.minShapes())
               .arg(statistics.medianShapes())
               .arg(statistics.maxShapes()) +
           columnHistogram(columns);
}

QString shapeAreaHistogram(const ReportFigures& figures)
{
    std::vector<ChartBar> bins;
    double bottom = 0;
    for (std::size_t index = 0; index < ReportFigures::areaBinTops.size(); ++index) {
        const double top = ReportFigures::areaBinTops[index];
        bins.push_back({QStringLiteral("%1–%2 %").arg(bottom * 100).arg(top * 100),
                        figures.shapeAreas()[index]});
        bottom = top;
    }
    return QStringLiteral("<h3>Shape sizes (area as a share of the image)</h3>") +
           columnHistogram(bins);
}

QString problemList(const ReportInput& input)
{
    if (input.problems == 0)
        return noteParagraph(QStringLiteral("quadrotag-export --check finds no problem."));
    QString html;
    for (const auto& [kind, group] : input.figures.problems()) {
        html += QStringLiteral("<h3>%1 <small>(%2)</small></h3><ul class=\"files\">")
                    .arg(htmlText(kind), countText(group.count));
        for (const auto& [path, message] : group.examples)
            html += QStringLiteral("<li><code>%1</code>: %2</li>")
                        .arg(htmlText(path), htmlText(message));
        html += QStringLiteral("</ul>");
        if (group.count > static_cast<long long>(group.examples.size()))
            html += noteParagraph(
                QStringLiteral("and %1 more")
                    .arg(countText(group.count - static_cast<long long>(group.examples.size()))));
    }
    return html;
}

QString rejectedList(const ReportFigures& figures)
{
    if (figures.rejectedCount() == 0)
        return QString();
    QString html = QStringLiteral("<h3>Rejected images</h3><ul class=\"rejected\">");
    for (const ReportFigures::RejectedImage& rejected : figures.rejected()) {
        html += QStringLiteral("<li><code>%1</code> by %2, %3")
                    .arg(htmlText(rejected.image), htmlText(rejected.review.reviewer),
                         htmlText(rejected.review.at.toString(Qt::ISODate)));
        if (!rejected.review.comment.isEmpty())
            html += QStringLiteral(": “%1”").arg(htmlText(rejected.review.comment));
        if (!rejected.review.notes.empty()) {
            html += QStringLiteral("<ol>");
            for (const ReviewNote& note : rejected.review.notes)
                html += QStringLiteral("<li>%1</li>").arg(htmlText(note.text));
            html += QStringLiteral("</ol>");
        }
        html += QStringLiteral("</li>");
    }
    html += QStringLiteral("</ul>");
    const long long more =
        figures.rejectedCount() - static_cast<long long>(figures.rejected().size());
    if (more > 0)
        html += noteParagraph(QStringLiteral("and %1 more").arg(countText(more)));
    return html;
}

QString tagAgreementTable(const AgreementTally& tally)
{
    const std::vector<AgreementTally::TagAgreement> tags = tally.tags();
    if (tags.empty())
        return noteParagraph(QStringLiteral("No matched shape carries a tag."));
    QString html = QStringLiteral("<table><thead><tr><th>Tag</th><th>Both</th><th>Only A</th>"
                                  "<th>Only B</th><th>Kappa</th></tr></thead><tbody>");
    for (const AgreementTally::TagAgreement& tag : tags)
        html += QStringLiteral("<tr><td class=\"name\">%1</td><td>%2</td><td>%3</td><td>%4</td>"
                               "<td>%5</td></tr>")
                    .arg(shortHtmlText(tag.caption, 80), countText(tag.both), countText(tag.onlyA),
                         countText(tag.onlyB), kappaText(tag.kappa));
    return html + QStringLiteral("</tbody></table>");
}

QString worstImages(const ReportInput& input)
{
    QString html = QStringLiteral("<div class=\"thumbs\">");
    for (const ImageAgreement& image : input.agreement->worst()) {
        const QString imagePath = QDir(input.dataset).filePath(image.image);
        const QString thumbnail =
            agreementThumbnail(imagePath, labelPathFor(imagePath),
                               labelPathFor(QDir(input.against).filePath(image.image)));
        html += QStringLiteral("<figure>");
        html += thumbnail.isEmpty()
                    ? QStringLiteral("<div class=\"nothumb\">the image can't be decoded</div>")
                    : QStringLiteral("<img alt=\"\" src=\"%1\">").arg(thumbnail);
        html += QStringLiteral("<figcaption><code>%1</code><br>%2 matched, %3 only A, %4 only B, "
                               "IoU %5</figcaption></figure>")
                    .arg(htmlText(image.image), countText(image.matched), countText(image.onlyA),
                         countText(image.onlyB), QString::number(image.meanIou, 'f', 3));
    }
    return html + QStringLiteral("</div>");
}

} // namespace

QString contentSection(const ReportInput& input)
{
    QString html = QStringLiteral("<section id=\"content\"><h2>Content</h2>");
    if (input.statistics.labelled() == 0)
        html += noteParagraph(QStringLiteral("No image is labelled yet."));
    html += tagCharts(input.statistics) + styleChart(input.statistics);
    if (input.statistics.labelled() > 0)
        html += shapeCountHistogram(input.statistics) + shapeAreaHistogram(input.figures);
    return html + QStringLiteral("</section>");
}

QString qualitySection(const ReportInput& input)
{
    const ReviewCounts& reviews = input.statistics.reviews();
    QString html = QStringLiteral("<section id=\"quality\"><h2>Quality</h2>");
    html += figureTiles({{countText(input.problems), QStringLiteral("problems")},
                         {countText(reviews.accepted), QStringLiteral("accepted")},
                         {countText(reviews.rejected), QStringLiteral("rejected")},
                         {countText(reviews.changed), QStringLiteral("changed since review")},
                         {countText(reviews.unreviewed), QStringLiteral("unreviewed")}});
    html += problemList(input) + rejectedList(input.figures);
    return html + QStringLiteral("</section>");
}

QString agreementSection(const ReportInput& input)
{
    if (!input.agreement)
        return QString();
    const AgreementTally& tally = *input.agreement;
    QString html = QStringLiteral("<section id=\"agreement\"><h2>Agreement</h2><p>A: "
                                  "<span class=\"opa\">%1</span>, B: <span class=\"opb\">%2</span>"
                                  "</p>")
                       .arg(htmlText(QFileInfo(input.dataset).absoluteFilePath()),
                            htmlText(QFileInfo(input.against).absoluteFilePath()));
    if (tally.images() == 0)
        return html + noteParagraph(QStringLiteral("No image is labelled in both folders.")) +
               QStringLiteral("</section>");
    html += figureTiles({{countText(tally.images()), QStringLiteral("images compared")},
                         {countText(tally.matched()), QStringLiteral("shapes matched")},
                         {countText(tally.onlyA()), QStringLiteral("only A")},
                         {countText(tally.onlyB()), QStringLiteral("only B")},
                         {QString::number(tally.meanIou(), 'f', 3), QStringLiteral("mean IoU")}});
    html += QStringLiteral("<h3>Tags of matched shapes</h3>") + tagAgreementTable(tally);
    html += QStringLiteral("<h3>Styles</h3><p>%1 images agree, %2 disagree, kappa %3</p>")
                .arg(countText(tally.stylesAgreed()), countText(tally.stylesDisagreed()),
                     kappaText(tally.styleKappa()));
    html += QStringLiteral("<h3>The images that agree least</h3>") + worstImages(input);
    return html + QStringLiteral("</section>");
}
