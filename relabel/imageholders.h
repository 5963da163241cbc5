#ifndef QUADROTAG_IMAGEHOLDERS_H
#define QUADROTAG_IMAGEHOLDERS_H

#include "claimsfolder.h"

#include <QString>

#include <vector>

// The programs that may still hold images of the folders a relabelling walks: such a program
// keeps its annotation in the old vocabulary's cells and would save it over the relabelled file.
// A one-shot run can't watch a claim stand still, so a claim from another host counts as held;
// one of this host counts while its process runs.
class ImageHolders
{
public:
    struct Held
    {
        // The label file the claim stands for.
        QString labelPath;
        Claim holder;
        // Its claim file can't be read or names nobody: it may be one being written.
        bool unreadable = false;
    };

    ImageHolders();

    // Every image of this folder that a program may hold, by label file.
    std::vector<Held> heldIn(const QString& imageFolder);

private:
    // Claim files of the folder that are no live claim and yet can't be read as a claim.
    std::vector<Held> unreadableIn(const QString& imageFolder, const QHash<QString, Claim>& live);

    ClaimsFolder claims;
};

#endif
