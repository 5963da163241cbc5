#ifndef QUADROTAG_EARLYPROJECTLOOK_H
#define QUADROTAG_EARLYPROJECTLOOK_H

#include "startarguments.h"
#include "vocabularyfiles.h"

#include <QString>

#include <optional>

// The project of the folder or image a start opens, looked for while the toolkit is made, with
// the vocabulary of that folder read beside the look in case the folder is the project itself,
// as a team's folder on a share usually is: each of them waits round trips of the share that
// would otherwise follow one another before the window could be built.
class EarlyProjectLook
{
public:
    // Begins looking above path, and reading the vocabulary in path, on threads of their own.
    static void start(const QString& path);
    // What the look begun for path found, waited for, once; none for another path.
    static std::optional<OpenedProject> takeProject(const QString& path);
    // The vocabulary read beside the look, waited for, once, when projectFolder is where it
    // was read; none otherwise.
    static std::optional<VocabularyFiles> takeVocabulary(const QString& projectFolder);
    // Looks and reads still under way, which the end of the program must not wait for.
    static int underWay();
};

#endif
