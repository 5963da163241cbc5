#ifndef QUADROTAG_TESTS_WORKFLOWFIXTURE_H
#define QUADROTAG_TESTS_WORKFLOWFIXTURE_H

#include "filefixture.h"

#include <QByteArray>
#include <QMessageBox>
#include <QObject>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <cstdio>
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

// Collects what the process writes to standard error, the file descriptor itself,
// so that lines from libraries are caught too.
class StderrCapture
{
public:
    StderrCapture();
    ~StderrCapture();
    QByteArray text();

private:
    FILE* file;
    int previous;
};

// Answers every modal message box while it lives, noting its title and text. A box
// without the answer's button is answered with OK, or else with its default button.
class MessageBoxCloser : public QObject
{
    Q_OBJECT

public:
    explicit MessageBoxCloser(QMessageBox::StandardButton answer = QMessageBox::Ok);
    // Answers with the button of this text, for boxes with buttons of their own.
    explicit MessageBoxCloser(const QString& answerText);
    // Each box stays open this long first, as an operator reads it.
    void answerAfter(int milliseconds) { timer.start(milliseconds); }

    QStringList titles;
    QStringList texts;
    QList<Qt::TextFormat> textFormats;

private:
    void closeActiveBox();

    QAbstractButton* answerButton(QMessageBox* box) const;

    QMessageBox::StandardButton answer;
    QString answerText;
    QTimer timer;
};

// Vocabulary with single tags S1 to S9 and categories K (T1 to T7) and M (U1 to U10).
extern const QByteArray testVocabulary;

bool writeTestJpeg(const QString& path, int width, int height, int grey);
// A photograph's likeness for the benchmarks: smooth colour with sensor noise, which encodes
// to the size and decodes at the speed of a real one; seed picks the colours. The format is
// the suffix's, lossy WebP among them; sixteenBits for PNG and TIFF of 16 bits a channel.
bool writePhotoLike(const QString& path, int width, int height, int seed, bool sixteenBits = false);
// A tiny JPEG whose header claims this size; past the header its data ends early.
QByteArray jpegClaimingSize(int width, int height);
// A Sun raster image, which OpenCV decodes but whose size Qt's readers can't tell.
QByteArray sunRaster(int width, int height);
// The JPEG with an EXIF block that gives this orientation (6: turned a quarter clockwise).
QByteArray withExifOrientation(const QByteArray& jpeg, int orientation);
// The same for a PNG (an eXIf chunk) and a WebP of this size (an extended header, EXIF chunk).
QByteArray pngWithExifOrientation(const QByteArray& png, int orientation);
QByteArray webpWithExifOrientation(const QByteArray& webp, QSize size, int orientation);
// The little-endian TIFF with an orientation tag in its first directory.
QByteArray tiffWithOrientation(const QByteArray& tiff, int orientation);
// A 2 x 2 BMP whose rows are stored from the top down: its first stored row, red, is on top.
QByteArray topDownBmp();
// A tiny PNG whose header claims this size.
QByteArray pngClaimingSize(int width, int height);
// A palette PNG of one colour whose transparency is given apart from its pixels (a tRNS chunk).
QByteArray transparentPalettePng(int side);
// A TIFF whose first page is three pixels wide, the others one.
QByteArray tiffOfPages(int pages);
// A TIFF that is its first directory alone: this size, of samples this deep. bigEndianLongs: the
// depths as four-byte values, most significant first, as some writers give them.
QByteArray tiffClaiming(const QSize& size, int samples, int bits, bool bigEndianLongs = false);

#endif
