// An operator's session that dies without saving: it opens the label file named on the
// command line, adds one tagged shape, says "kept" once the recovery file holds it, and
// then waits to be killed.
#include "imagesession.h"

#include <QCoreApplication>
#include <QFile>
#include <QTimer>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    if (argc < 2)
        return 2;
    const QString labelPath = QString::fromLocal8Bit(argv[1]);
    ImageSession session;
    session.open(labelPath + ".jpg", labelPath);
    Label shape;
    shape.points = {{10, 10}, {90, 10}, {90, 70}, {10, 70}};
    shape.tags = {{1, 2}, {0, 3}};
    session.record(AnnotationChange::shapeAdded(session.annotation(), shape, -1));

    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (QFile::exists(session.recoveryPath())) {
            std::puts("kept");
            std::fflush(stdout);
            poll.stop();
        }
    });
    poll.start(10);
    return application.exec();
}
