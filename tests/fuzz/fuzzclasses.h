#ifndef QUADROTAG_TESTS_FUZZCLASSES_H
#define QUADROTAG_TESTS_FUZZCLASSES_H

#include "classtable.h"
#include "consolereport.h"
#include "proposalbuilder.h"

#include "taglayout.h"

#include <QSize>

#include <cstdio>
#include <memory>

// What every reader's fuzz target needs around it: a small vocabulary with single tags and a
// category, a report that goes nowhere, and a builder that turns predictions into shapes.
class FuzzClasses
{
public:
    FuzzClasses();
    ~FuzzClasses();

    // Checks the prediction against the classes and a 640x480 image.
    void build(const Prediction& prediction);
    QStringList names() const;
    ConsoleReport& consoleReport() { return *report; }

private:
    std::FILE* nowhere;
    TagLayout layout;
    ClassTable classes;
    std::unique_ptr<ConsoleReport> report;
    std::unique_ptr<ProposalBuilder> builder;
};

#endif
