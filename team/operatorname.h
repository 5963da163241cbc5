#ifndef QUADROTAG_OPERATORNAME_H
#define QUADROTAG_OPERATORNAME_H

#include <QProcessEnvironment>
#include <QString>

// Who is working: QUADROTAG_OPERATOR when set, else the login name. The name goes into file
// names and file contents beside the images, so it is checked before anything uses it.
class OperatorName
{
public:
    static constexpr qsizetype maximumLength = 64;
    static constexpr char variableName[] = "QUADROTAG_OPERATOR";

    // The name from the environment; an empty string and a message naming the variable in
    // `error` when it can't be used.
    static QString fromEnvironment(const QProcessEnvironment& environment, QString* error);
    // Why `name` can't be an operator's name, or an empty string when it can.
    static QString problemWith(const QString& name);
};

#endif
