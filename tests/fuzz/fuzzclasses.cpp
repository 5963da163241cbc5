#include "fuzzclasses.h"

#include "imageannotation.h"

#include <sstream>

namespace {
const QSize imageSize(640, 480);
} // namespace

FuzzClasses::FuzzClasses() : nowhere(std::fopen("/dev/null", "w")), classes(layout)
{
    std::istringstream vocabulary("Sofa 0 Chair(seat) 0 Lamp 0\nMaterial 2 Fabric Wood(oak)\n");
    layout.read(vocabulary);
    classes.build(QString());
    report = std::make_unique<ConsoleReport>(QStringLiteral("fuzz"), nowhere, nowhere, false);
    builder = std::make_unique<ProposalBuilder>(classes, *report, 0.5);
}

FuzzClasses::~FuzzClasses()
{
    builder.reset();
    report.reset();
    std::fclose(nowhere);
}

void FuzzClasses::build(const Prediction& prediction)
{
    ImageAnnotation proposal;
    builder->add(prediction, imageSize, proposal);
}

QStringList FuzzClasses::names() const
{
    QStringList names;
    for (int index = 0; index < classes.count(); ++index)
        names << classes.name(index);
    return names;
}
