#ifndef QUADROTAG_TESTS_TEST_IMPORTFORMATS_H
#define QUADROTAG_TESTS_TEST_IMPORTFORMATS_H

#include "importtest.h"

// What the importer reads: each format into proposals beside the images, bad predictions
// reported and left out, label files never touched, and images matched without doubt.
class TestImportFormats : public ImportTest
{
    Q_OBJECT

private slots:
    void initTestCase();

    void proposalPathSitsInAHiddenFolder_data();
    void proposalPathSitsInAHiddenFolder();
    void exitCodes_data();
    void exitCodes();
    void importsEachFormat_data();
    void importsEachFormat();
    void leavesOutBadPredictions_data();
    void leavesOutBadPredictions();
    void neverTouchesLabelFilesAndKeepsProposals();
    void matchesImagesWithoutDoubt_data();
    void matchesImagesWithoutDoubt();
    void removesScratchFoldersWhenStopped_data();
    void removesScratchFoldersWhenStopped();
};

#endif
