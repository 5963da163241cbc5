#ifndef QUADROTAG_COMMANDLINE_H
#define QUADROTAG_COMMANDLINE_H

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

// The options of every dataset tool that name the vocabulary and the class tags.
struct VocabularyOptions
{
    VocabularyOptions();

    QCommandLineOption vocabulary;
    QCommandLineOption classes;
};

enum class DatasetFormat { Coco, YoloObb, Dota };

// "coco", "yolo-obb" or "dota"; false for any other name.
bool formatFromName(const QString& name, DatasetFormat& format);

// Prints the message and a hint to --help on standard error; returns exitUnusable.
int usageError(const QString& message);

// Adds --help and --version and parses. Prints the help or the version and ends the program
// when asked for them; false with exitCode set on a command line that cannot be parsed.
bool parseCommandLine(QCommandLineParser& parser, const QStringList& arguments, int& exitCode);

#endif
