#include "operatorname.h"

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

namespace {

// The account's own name, for sessions that set neither USER nor LOGNAME (services, containers).
QString accountName()
{
#ifdef Q_OS_UNIX
    if (const passwd* account = ::getpwuid(::geteuid()))
        return QString::fromLocal8Bit(account->pw_name);
#endif
    return QString();
}

bool isForbidden(QChar c)
{
    return c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char('@') ||
           c.category() == QChar::Other_Control;
}

} // namespace

QString OperatorName::fromEnvironment(const QProcessEnvironment& environment, QString* error)
{
    const QString variable = QString::fromLatin1(variableName);
    const bool isSet = environment.contains(variable);
    const QString name =
        isSet ? environment.value(variable)
              : environment.value(QStringLiteral("USER"),
                                  environment.value(QStringLiteral("LOGNAME"), accountName()));
    const QString problem = problemWith(name);
    if (problem.isEmpty())
        return name;
    if (error) {
        *error = isSet ? QStringLiteral("%1 %2; set it to a short name of your own.")
                             .arg(variable, problem)
                       : QStringLiteral("The login name %1; set %2 to a short name of your own.")
                             .arg(problem, variable);
    }
    return QString();
}

QString OperatorName::problemWith(const QString& name)
{
    if (name.isEmpty())
        return QStringLiteral("is empty");
    if (name.size() > maximumLength)
        return QStringLiteral("is longer than %1 characters").arg(maximumLength);
    for (const QChar c : name) {
        if (isForbidden(c))
            return QStringLiteral("holds a slash, a backslash, @ or a control character");
    }
    return QString();
}
