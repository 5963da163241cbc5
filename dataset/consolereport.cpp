#include "consolereport.h"

#include <QCoreApplication>
#include <QFile>

namespace {
const qint64 progressIntervalMs = 250;

// A control character from a file's text would cut the line short or break it: escaped.
QByteArray printable(const QString& message)
{
    QByteArray shown;
    for (const char c : message.toLocal8Bit()) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f)
            shown += "\\x" + QByteArray::number(byte, 16).rightJustified(2, '0');
        else
            shown += c;
    }
    return shown;
}
} // namespace

ConsoleReport::ConsoleReport(const QString& programName, std::FILE* outStream, std::FILE* errStream,
                             bool progress, const QString& items)
    : program(programName.toLocal8Bit()), out(outStream), err(errStream), showProgress(progress),
      itemName(items)
{
    clock.start();
}

void ConsoleReport::problem(const QString& path, const QString& message)
{
    ++problemCount;
    if (problemSink)
        problemSink(path, message);
    else
        notice(path, message);
}

void ConsoleReport::notice(const QString& path, const QString& message)
{
    clearProgress();
    std::fprintf(out, "%s: %s\n", QFile::encodeName(path).constData(),
                 printable(message).constData());
    std::fflush(out);
}

void ConsoleReport::shapeProblem(const QString& path, int shapeIndex, const QString& message)
{
    problem(path, QStringLiteral("shape %1: %2").arg(shapeIndex + 1).arg(message));
}

void ConsoleReport::error(const QString& message)
{
    clearProgress();
    std::fprintf(err, "%s: %s\n", program.constData(), printable(message).constData());
    std::fflush(err);
}

void ConsoleReport::itemDone()
{
    ++items;
    if (!showProgress)
        return;
    const qint64 now = clock.elapsed();
    if (now < progressDelayMs || now - lastProgressAt < progressIntervalMs)
        return;
    lastProgressAt = now;
    const double rate = now > 0 ? static_cast<double>(items) * 1000.0 / now : 0.0;
    std::fprintf(err, "\r%lld %s, %.0f %s/s ", items, qPrintable(itemName), rate,
                 qPrintable(itemName));
    std::fflush(err);
    progressShown = true;
}

void ConsoleReport::summary(const QString& text)
{
    clearProgress();
    std::fprintf(err, "%s\n", qPrintable(text));
    std::fflush(err);
}

double ConsoleReport::elapsedSeconds() const
{
    return static_cast<double>(clock.elapsed()) / 1000.0;
}

void ConsoleReport::clearProgress()
{
    if (!progressShown)
        return;
    // Erases the progress line so that the next line starts on a clean one.
    std::fputs("\r\033[K", err);
    progressShown = false;
}
