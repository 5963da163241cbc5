#ifndef QUADROTAG_TESTS_WORKFLOWFIXTURE_H
#define QUADROTAG_TESTS_WORKFLOWFIXTURE_H

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <sstream>
#include <streambuf>
#include <string>

// Collects what std::cout receives while it lives.
class StdoutCapture
{
public:
    StdoutCapture();
    ~StdoutCapture();
    std::string text() const { return buffer.str(); }

private:
    std::ostringstream buffer;
    std::streambuf* previous;
};

// Answers every modal message box while it lives, noting its title and text.
class MessageBoxCloser : public QObject
{
    Q_OBJECT

public:
    MessageBoxCloser();

    QStringList titles;
    QStringList texts;

private:
    void closeActiveBox();

    QTimer timer;
};

// Vocabulary with single tags S1 to S9 and categories K (T1 to T7) and M (U1 to U10).
extern const QByteArray testVocabulary;

bool writeTestJpeg(const QString& path, int width, int height, int grey);
bool writeFileBytes(const QString& path, const QByteArray& bytes);
QByteArray fileBytes(const QString& path);

#endif
