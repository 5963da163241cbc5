#ifndef QUADROTAG_CONSOLEREPORT_H
#define QUADROTAG_CONSOLEREPORT_H

#include <QElapsedTimer>
#include <QString>

#include <cstdio>

// What a run tells its user: one line per problem on standard output, a progress line
// on standard error while it works (only on a terminal), and a summary at the end.
class ConsoleReport
{
public:
    ConsoleReport(std::FILE* out, std::FILE* err, bool showProgress);

    void problem(const QString& path, const QString& message);
    // Shapes are numbered from 1 in the order of the label file.
    void shapeProblem(const QString& path, int shapeIndex, const QString& message);
    void error(const QString& message);
    void imageDone();
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
    long long images = 0;
    qint64 lastProgressAt = 0;
    QElapsedTimer clock;
};

#endif
