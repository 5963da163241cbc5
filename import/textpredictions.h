#ifndef QUADROTAG_TEXTPREDICTIONS_H
#define QUADROTAG_TEXTPREDICTIONS_H

#include "prediction.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringList>

// The line formats of the text predictions. Each parser takes one line without its line end
// and returns false with a reason when the line is not of its format.

// YOLO oriented boxes: "class x1 y1 x2 y2 x3 y3 x4 y4 [confidence]", corners normalised.
// The class is an index into names.
bool parseYoloObbLine(const QByteArray& line, const QStringList& names, Prediction& prediction,
                      QString& error);

// Why text that begins with head is no plain UTF-8: a byte-order mark, or UTF-16; empty when
// it is.
QString encodingFault(const QByteArray& head);

// Reads one line, its end included; a line of more than limit bytes before its end is read
// to its end and given as empty with false, so that no part of it passes for a line.
bool readBoundedLine(QIODevice& device, qint64 limit, QByteArray& line);

// DOTA: "x1 y1 x2 y2 x3 y3 x4 y4 category [difficulty]", corners in pixels.
bool parseDotaLine(const QByteArray& line, Prediction& prediction, QString& error);
// DOTA's header lines, "imagesource:..." and "gsd:...", which hold no shape.
bool isDotaHeaderLine(const QByteArray& line);

// DOTA task 1 results, Task1_<class>.txt: "image score x1 y1 x2 y2 x3 y3 x4 y4".
bool parseTask1Line(const QByteArray& line, QByteArray& image, Prediction& prediction,
                    QString& error);

// The class names of a YOLO data.yaml, by index: "names:" followed by "  N: name" lines or
// "- name" items, or a flow list "names: [a, b]". False with a reason when none are found.
bool parseYoloNames(const QByteArray& yaml, QStringList& names, QString& error);

#endif
