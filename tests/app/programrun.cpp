#include "programrun.h"

#include <QProcess>

namespace {
const int programTimeoutMs = 60000;
} // namespace

ProgramRun runProgram(const QString& program, const QString& workingDir,
                      const QStringList& arguments)
{
    QProcess process;
    process.setWorkingDirectory(workingDir);
    process.start(program, arguments);
    ProgramRun result;
    if (!process.waitForFinished(programTimeoutMs) || process.exitStatus() != QProcess::NormalExit)
        return result;
    result.exitCode = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}
