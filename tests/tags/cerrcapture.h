#ifndef QUADROTAG_TESTS_CERRCAPTURE_H
#define QUADROTAG_TESTS_CERRCAPTURE_H

#include <QString>

#include <iostream>
#include <sstream>
#include <streambuf>

// Collects what std::cerr receives while it lives.
class CerrCapture
{
public:
    CerrCapture() : previous(std::cerr.rdbuf(captured.rdbuf())) {}
    ~CerrCapture() { std::cerr.rdbuf(previous); }
    QString text() const { return QString::fromStdString(captured.str()); }

private:
    std::ostringstream captured;
    std::streambuf* previous;
};

#endif
