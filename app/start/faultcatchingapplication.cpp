#include "faultcatchingapplication.h"

#include <exception>

FaultCatchingApplication::FaultCatchingApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
}

bool FaultCatchingApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& failure) {
        emit sglFault(faultText(failure.what()));
    } catch (...) {
        emit sglFault(faultText(nullptr));
    }
    return false;
}

QString FaultCatchingApplication::faultText(const char* what)
{
    // OpenCV's messages run over several lines; the status bar shows one.
    const QString detail = what ? QString::fromLocal8Bit(what).simplified() : QString();
    return detail.isEmpty() ? QStringLiteral("That did not work: an unexpected fault")
                            : QStringLiteral("That did not work: %1").arg(detail);
}
