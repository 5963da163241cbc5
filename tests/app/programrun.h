#ifndef QUADROTAG_TESTS_PROGRAMRUN_H
#define QUADROTAG_TESTS_PROGRAMRUN_H

#include <QByteArray>
#include <QString>
#include <QStringList>

// What a command-line program left behind; exitCode -1 when it did not end normally.
struct ProgramRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Runs the program in workingDir and waits up to a minute for it.
ProgramRun runProgram(const QString& program, const QString& workingDir,
                      const QStringList& arguments);

#endif
