#include "htmltext.h"
#include "reportsections.h"
#include "svgcharts.h"

#include <QDate>

#include <algorithm>
#include <map>

namespace {

// Beyond this, a table names the first ones and says how many more there are.
const std::size_t rowsShown = 200;
// Days and weeks charted, counted back from the last one: a damaged date of 1900 would
// otherwise stretch the axis over a century.
const qint64 daysCharted = 730;
const qint64 weeksCharted = 104;

// Logs are written in UTC: a day ahead of the local date is still today somewhere; later dates
// are of a wrong clock and would stretch the axis away from every true save.
QDate latestDay(const ReportInput& input)
{
    return input.made.date().addDays(1);
}

QString noteParagraph(const QString& text)
{
    return QStringLiteral("<p class=\"note\">%1</p>").arg(text);
}

// The charts' colours tell eight lines apart; more lines would share them, so the eight
// operators with the most saves are drawn.
const std::size_t linesDrawn = 8;

std::vector<OperatorSaves::Tally> chartedOperators(std::vector<OperatorSaves::Tally> operators)
{
    if (operators.size() <= linesDrawn)
        return operators;
    std::stable_sort(operators.begin(), operators.end(),
                     [](const auto& a, const auto& b) { return a.saves > b.saves; });
    operators.resize(linesDrawn);
    std::sort(operators.begin(), operators.end(),
              [](const auto& a, const auto& b) { return a.operatorName < b.operatorName; });
    return operators;
}

QString undrawnNote(std::size_t operators)
{
    if (operators <= linesDrawn)
        return QString();
    return noteParagraph(QStringLiteral("The %1 operators with the most saves are drawn; the "
                                        "other %2 are in the table of People.")
                             .arg(linesDrawn)
                             .arg(operators - linesDrawn));
}

std::vector<ChartBar> progressParts(const DatasetStatistics& statistics)
{
    const ReviewCounts& reviews = statistics.reviews();
    return {{QStringLiteral("accepted"), reviews.accepted},
            {QStringLiteral("rejected"), reviews.rejected},
            {QStringLiteral("changed since review"), reviews.changed},
            {QStringLiteral("labelled, unreviewed"), reviews.unreviewed},
            {QStringLiteral("proposed"), statistics.proposed()},
            {QStringLiteral("untouched"), statistics.unlabelled() - statistics.proposed()}};
}

QString folderTable(const ReportFigures& figures)
{
    QString html = QStringLiteral(
        "<table><thead><tr><th>Folder</th><th>Images</th><th>Labelled</th><th>Proposed</th>"
        "<th>Accepted</th><th>Rejected</th><th>Untouched</th><th></th></tr></thead><tbody>");
    std::size_t shown = 0;
    for (const auto& [folder, progress] : figures.folders()) {
        if (++shown > rowsShown)
            break;
        html += QStringLiteral("<tr><td class=\"name\">%1</td>")
                    .arg(folder.isEmpty() ? QStringLiteral("(top folder)") : htmlText(folder));
        for (const long long count : {progress.images, progress.labelled, progress.proposed,
                                      progress.accepted, progress.rejected, progress.untouched()})
            html += QStringLiteral("<td>%1</td>").arg(countText(count));
        // The cell's bar in the overall bar's colours: accepted, rejected, the other labelled,
        // then proposed and untouched.
        html += QStringLiteral("<td>%1</td></tr>")
                    .arg(stackedCellBar({progress.accepted, progress.rejected, 0,
                                         progress.labelled - progress.accepted - progress.rejected,
                                         progress.proposed, progress.untouched()}));
    }
    html += QStringLiteral("</tbody></table>");
    const long long more = static_cast<long long>(figures.folders().size()) -
                           static_cast<long long>(rowsShown) + figures.foldersOver();
    if (more > 0)
        html += noteParagraph(QStringLiteral("and %1 more folders").arg(countText(more)));
    return html;
}

// One series per operator over the days from the first save to the last one by `latest`.
QString savesPerDayChart(const std::vector<OperatorSaves::Tally>& operators, QDate latest)
{
    QDate first;
    QDate last;
    long long later = 0;
    for (const OperatorSaves::Tally& tally : operators) {
        const auto beyond = tally.savesByDay.upper_bound(latest);
        for (auto day = beyond; day != tally.savesByDay.end(); ++day)
            later += day->second;
        if (beyond == tally.savesByDay.begin())
            continue;
        if (!first.isValid() || tally.savesByDay.begin()->first < first)
            first = tally.savesByDay.begin()->first;
        if (!last.isValid() || std::prev(beyond)->first > last)
            last = std::prev(beyond)->first;
    }
    const QString laterNote =
        later > 0 ? noteParagraph(QStringLiteral("%1 saves dated after today are not charted.")
                                      .arg(countText(later)))
                  : QString();
    if (!last.isValid())
        return noteParagraph(QStringLiteral("The logs tell no dates.")) + laterNote;
    first = std::max(first, last.addDays(1 - daysCharted));
    std::vector<ChartSeries> series;
    for (const OperatorSaves::Tally& tally : operators) {
        ChartSeries line{tally.operatorName, std::vector<double>(first.daysTo(last) + 1, 0.0)};
        for (auto day = tally.savesByDay.lower_bound(first);
             day != tally.savesByDay.end() && day->first <= last; ++day)
            line.values[static_cast<std::size_t>(first.daysTo(day->first))] = double(day->second);
        series.push_back(line);
    }
    return lineChart(series, first.toString(Qt::ISODate), last.toString(Qt::ISODate),
                     QStringLiteral("saves")) +
           laterNote;
}

QString weeklyPaceChart(const std::vector<OperatorSaves::Tally>& operators, QDate latest)
{
    QDate first;
    QDate last;
    for (const OperatorSaves::Tally& tally : operators) {
        for (const OperatorSaves::Week& week : tally.weeks) {
            if (week.monday > latest)
                continue;
            first = first.isValid() ? std::min(first, week.monday) : week.monday;
            last = last.isValid() ? std::max(last, week.monday) : week.monday;
        }
    }
    if (!last.isValid())
        return noteParagraph(QStringLiteral("No log line tells its active time, so there is no "
                                            "pace by week."));
    first = std::max(first, last.addDays(7 * (1 - weeksCharted)));
    std::vector<ChartSeries> series;
    for (const OperatorSaves::Tally& tally : operators) {
        ChartSeries line{tally.operatorName, std::vector<double>(first.daysTo(last) / 7 + 1, 0.0)};
        for (const OperatorSaves::Week& week : tally.weeks)
            if (week.monday >= first && week.monday <= last)
                line.values[static_cast<std::size_t>(first.daysTo(week.monday) / 7)] =
                    week.imagesPerHour();
        series.push_back(line);
    }
    return lineChart(series, QStringLiteral("week of ") + first.toString(Qt::ISODate),
                     QStringLiteral("week of ") + last.toString(Qt::ISODate),
                     QStringLiteral("images/h"));
}

QString operatorTable(const std::vector<OperatorSaves::Tally>& operators)
{
    QString html = QStringLiteral("<table><thead><tr><th>Operator</th><th>Saves</th>"
                                  "<th>Images</th><th>Active hours</th><th>Images/h</th></tr>"
                                  "</thead><tbody>");
    for (const OperatorSaves::Tally& tally : operators)
        html +=
            QStringLiteral("<tr><td class=\"name\">%1</td><td>%2</td><td>%3</td><td>%4</td>"
                           "<td>%5</td></tr>")
                .arg(htmlText(tally.operatorName), countText(tally.saves), countText(tally.images),
                     tenthsText(tally.activeHours()), tenthsText(tally.imagesPerHour()));
    return html + QStringLiteral("</tbody></table>");
}

} // namespace

QString figureTiles(const std::vector<std::pair<QString, QString>>& tiles)
{
    QString html = QStringLiteral("<div class=\"tiles\">");
    for (const auto& [value, name] : tiles)
        html +=
            QStringLiteral("<div class=\"tile\"><b>%1</b><span>%2</span></div>").arg(value, name);
    return html + QStringLiteral("</div>");
}

QString progressSection(const ReportInput& input)
{
    const DatasetStatistics& statistics = input.statistics;
    QString html = QStringLiteral("<section id=\"progress\"><h2>Progress</h2>");
    if (statistics.total() == 0)
        return html + noteParagraph(QStringLiteral("No images in this folder yet.")) +
               QStringLiteral("</section>");
    html += figureTiles({{countText(statistics.total()), QStringLiteral("images")},
                         {countText(statistics.labelled()), QStringLiteral("labelled")},
                         {countText(statistics.proposed()), QStringLiteral("proposed")},
                         {countText(statistics.reviews().accepted), QStringLiteral("accepted")},
                         {countText(statistics.reviews().rejected), QStringLiteral("rejected")},
                         {countText(statistics.unlabelled() - statistics.proposed()),
                          QStringLiteral("untouched")}});
    html += stackedBar(progressParts(statistics));
    html += QStringLiteral("<h3>Per folder</h3>") + folderTable(input.figures);
    html += QStringLiteral("<h3>Saves per day</h3>");
    html += statistics.operators().empty()
                ? noteParagraph(QStringLiteral("No save logs in this folder: nobody has saved "
                                               "here under an operator's name yet."))
                : savesPerDayChart(chartedOperators(statistics.operators()), latestDay(input)) +
                      undrawnNote(statistics.operators().size());
    return html + QStringLiteral("</section>");
}

QString peopleSection(const ReportInput& input)
{
    const std::vector<OperatorSaves::Tally>& operators = input.statistics.operators();
    QString html = QStringLiteral("<section id=\"people\"><h2>People</h2>");
    if (operators.empty())
        return html +
               noteParagraph(QStringLiteral("No save logs in this folder, so nobody to "
                                            "name.")) +
               QStringLiteral("</section>");
    html += operatorTable(operators);
    html += QStringLiteral("<h3>Images per hour, by week</h3>") +
            weeklyPaceChart(chartedOperators(operators), latestDay(input)) +
            undrawnNote(operators.size());
    return html + QStringLiteral("</section>");
}
