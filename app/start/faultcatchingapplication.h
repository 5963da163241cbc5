#ifndef QUADROTAG_FAULTCATCHINGAPPLICATION_H
#define QUADROTAG_FAULTCATCHINGAPPLICATION_H

#include <QApplication>
#include <QString>

// The application whose event delivery is the one boundary for faults nobody expected: an
// exception out of any slot or event handler of the GUI thread is caught there, the event
// counts as not handled, and the fault is announced instead of ending the program.
class FaultCatchingApplication : public QApplication
{
    Q_OBJECT

public:
    FaultCatchingApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // The line the operator is shown for a fault.
    static QString faultText(const char* what);

signals:
    void sglFault(const QString& text);
};

#endif
