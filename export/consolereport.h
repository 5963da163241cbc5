#ifndef QUADROTAG_CONSOLEREPORT_H
#define QUADROTAG_CONSOLEREPORT_H

#include <QElapsedTimer>
#include <QString>

#include <cstdio>

enum ExitCode { exitDone = 0, exitProblems = 1, exitUnusable = 2 };

// What a run of a command-line tool tells its user: one line per problem on standard output,
// a progress line on standard error while it works (only on a terminal), and a summary at the
// end. Errors carry the application's name.
class ConsoleReport
{
public:
    ConsoleReport(std::FILE* out, std::FILE* err, bool showProgress,
                  const QString& itemName = QStringLiteral("images"));

    void problem(const QString& path, const QString& message);
    // A line of the same form that is not a problem.
    void notice(const QString& path, const QString& message);
    // Shapes are numbered from 1 in the order of the label file.
    void shapeProblem(const QString& path, int shapeIndex, const QString& message);
    void error(const QString& message);
    void itemDone();
    void summary(const QString& text);

    int problems() const { return problemCount; }
    double elapsedSeconds() const;

private:
    void clearProgress();

    std::FILE* out;
    std::FILE* err;
    bool showProgress;
    bool progressShown = false;
    int problemCount = 0;
    QString itemName;
    long long items = 0;
    qint64 lastProgressAt = 0;
    QElapsedTimer clock;
};

#endif
