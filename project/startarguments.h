#ifndef QUADROTAG_STARTARGUMENTS_H
#define QUADROTAG_STARTARGUMENTS_H

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// What the command line "quadrotag [--project DIR] [FOLDER | IMAGE...]" asks for, with
// every path made absolute against the working directory.
struct StartArguments
{
    enum class Request { Open, Help, Version, Mistake };
    // Documented in the help text.
    static const int exitMistake = 2;

    Request request = Request::Open;
    // Empty when --project was not given.
    QString projectFolder;
    // A folder opened as a batch, or image files; at most one of the two.
    QString folder;
    QStringList images;
    // Image names given whose bytes can't be read as text, escaped: they are left out, never
    // taken for a file whose name their text happens to match.
    QStringList undecodable;
    // The help or version text for standard output, or the mistake for standard error.
    QString text;

    // Nothing to open: the program starts as from the desktop menu.
    bool isBare() const { return projectFolder.isEmpty() && folder.isEmpty() && images.isEmpty(); }
};

// The nearest project above a folder or image opened, and whether its vocabulary can be read.
struct OpenedProject
{
    QString folder;
    bool holdsVocabulary = false;
};
OpenedProject openedProjectOf(const QString& path);

// The project a start without --project opens: the nearest above the folder or first image
// given, else the working folder when it holds a vocabulary; empty when neither has one.
// openedKnown, when given, tells whether the project of the folder or first image is known
// without a look again: it is the project above it, or none lies above it. lookedAt: what
// openedProjectOf found for that folder or image, when it was asked already.
QString projectForStart(const StartArguments& arguments, const QString& workingFolder,
                        bool* openedKnown = nullptr,
                        const std::optional<OpenedProject>& lookedAt = std::nullopt);
// The folder or first image whose project a start looks for; empty when none is given.
QString openedByStart(const StartArguments& arguments);

// Told the absolute path of a lone name given to open, before anything looks at it: the folder
// it may be can be listed while it is.
using MaybeFolder = std::function<void(const QString&)>;

// The arguments as main receives them, the program's name first; needs no application object.
StartArguments parseStartArguments(const QStringList& arguments,
                                   const MaybeFolder& maybeFolder = {});
// The same from the bytes of argv: an argument that can't be read as text is left out when it
// names an image and a mistake when it names the project or the folder.
StartArguments parseStartArgumentBytes(const QList<QByteArray>& argumentBytes,
                                       const MaybeFolder& maybeFolder = {});

#endif
