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

// The checks of parsed values that several tools share. Each prints the tool's message with a
// hint to --help, sets exitCode to exitUnusable and returns false when the value is not right.
// Exactly count positional arguments, into positional: fewer or more says which.
bool takePositionals(const QCommandLineParser& parser, qsizetype count, const QString& fewer,
                     const QString& more, QStringList& positional, int& exitCode);
// The format the option names: "unknown format" for any other name, none included.
bool takeFormat(const QCommandLineParser& parser, const QCommandLineOption& option,
                DatasetFormat& format, int& exitCode);
// A finite number from least to most: "--name needs <wanted>, not "<value>"" otherwise.
bool takeNumber(const QCommandLineParser& parser, const QCommandLineOption& option, double least,
                double most, const QString& wanted, double& number, int& exitCode);

// Adds --help and --version and parses. Prints the help or the version and ends the program
// when asked for them; false with exitCode set on a command line that cannot be parsed.
bool parseCommandLine(QCommandLineParser& parser, const QStringList& arguments, int& exitCode);

#endif
