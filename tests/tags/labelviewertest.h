#ifndef QUADROTAG_TESTS_LABELVIEWERTEST_H
#define QUADROTAG_TESTS_LABELVIEWERTEST_H

#include "labelviewer.h"

#include <QByteArray>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <utility>
#include <vector>

using TagList = std::vector<std::pair<int, int>>;
Q_DECLARE_METATYPE(TagList)

// What the tests of the tag table share: for every test function a fresh temporary working
// directory, where the tag index always lands, and tables loaded from vocabularies written there.
class LabelViewerTest : public QObject
{
    Q_OBJECT

protected:
    // The table of this vocabulary, written to "tags"; null when it could not be loaded.
    std::unique_ptr<LabelViewer> loadedTable(const QByteArray& vocabulary);

    static void writeFile(const QString& name, const QByteArray& content);
    static QByteArray readFile(const QString& name);

    static constexpr char impossibleLine[] = "Impossible Selection!\n";

    // The worked example: single tags around a seven-tag and a ten-tag category,
    // spread over lines with every kind of white space the reader must accept.
    inline static const QByteArray workedExample = "S1 0 S2 0\tS3 0\r\nS4 0\n\nS5 0 S6 0 S7 0\n"
                                                   "K 7 T1 T2 T3\vT4 T5 T6 T7\fS8 0\n"
                                                   "M\n10\nU1 U2 U3 U4 U5 U6 U7 U8 U9 U10 S9 0\n";

private slots:
    void init();
    void cleanup();

private:
    std::unique_ptr<QTemporaryDir> workDir;
    QString previousDir;
};

#endif
