#ifndef QUADROTAG_CONSOLEREPORT_H
#define QUADROTAG_CONSOLEREPORT_H

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

#include <cstdio>
#include <functional>

#include "exitcode.h"

// What a run of a command-line tool tells its user: one line per problem on standard output,
// a progress line on standard error while it works (only on a terminal), and a summary at the
// end. Errors carry the application's name.
class ConsoleReport
{
public:
    // program prefixes the lines on standard error.
    ConsoleReport(const QString& program, std::FILE* out, std::FILE* err, bool showProgress,
                  const QString& itemName = QStringLiteral("images"));

    void problem(const QString& path, const QString& message);
    // A line of the same form that is not a problem.
    void notice(const QString& path, const QString& message);
    // Shapes are numbered from 1 in the order of the label file.
    void shapeProblem(const QString& path, int shapeIndex, const QString& message);
    void error(const QString& message);
    // A line on standard error that is no problem of the data.
    void note(const QString& message) { error(message); }
    void itemDone();
    void summary(const QString& text);

    // Problems go to the sink instead of the output stream, for a caller that lays them out.
    void setProblemSink(std::function<void(const QString&, const QString&)> sink)
    {
        problemSink = std::move(sink);
    }
    // No progress line before this many milliseconds: a short run stays quiet.
    void setProgressDelay(qint64 milliseconds) { progressDelayMs = milliseconds; }

    int problems() const { return problemCount; }
    double elapsedSeconds() const;

private:
    void clearProgress();

    QByteArray program;
    std::FILE* out;
    std::FILE* err;
    bool showProgress;
    bool progressShown = false;
    int problemCount = 0;
    QString itemName;
    long long items = 0;
    qint64 lastProgressAt = 0;
    qint64 progressDelayMs = 0;
    std::function<void(const QString&, const QString&)> problemSink;
    QElapsedTimer clock;
};

#endif
