#include "tiffstructure.h"

#include <climits>

namespace {

const quint16 widthTag = 256;
const quint16 heightTag = 257;
const quint16 bitsPerSampleTag = 258;
const quint16 samplesPerPixelTag = 277;
const quint16 orientationTag = 274;
const quint16 extraSamplesTag = 338;
const int entryBytes = 12;
// A real first directory has a few dozen entries; more are not worth reading.
const int mostEntries = 1024;

class ByteOrder
{
public:
    explicit ByteOrder(bool littleEndian) : little(littleEndian) {}
    quint32 at(const QByteArray& bytes, int offset, int width) const
    {
        quint32 value = 0;
        for (int index = 0; index < width; ++index) {
            const int shift = little ? 8 * index : 8 * (width - 1 - index);
            value |= quint32(static_cast<unsigned char>(bytes[offset + index])) << shift;
        }
        return value;
    }

private:
    bool little;
};

const quint16 shortType = 3;
const quint16 longType = 4;
// Values of up to four bytes in all fit in an entry; more stand at the offset it gives.
const quint32 entryValueBytes = 4;
// The deepest sample a decoder knows, a double.
const int mostBitsPerSample = 64;

// What the entries tell that the directory's facts take only once all are read.
struct EntryFindings
{
    QSize size{0, 0};
    qint64 bitsPerSampleAt = 0;
    int bitsPerSampleBytes = 2;
};

void takeEntry(const QByteArray& entry, const ByteOrder& order, TiffFacts& facts,
               EntryFindings& found)
{
    const quint16 tag = quint16(order.at(entry, 0, 2));
    const bool isShort = order.at(entry, 2, 2) == shortType;
    const int valueBytes = isShort ? 2 : 4;
    const quint32 value = order.at(entry, 8, valueBytes);
    if (tag == widthTag)
        found.size.setWidth(int(qMin<quint32>(value, INT_MAX)));
    else if (tag == heightTag)
        found.size.setHeight(int(qMin<quint32>(value, INT_MAX)));
    else if (tag == samplesPerPixelTag)
        facts.samplesPerPixel = int(qMax<quint32>(value, 1));
    else if (tag == bitsPerSampleTag && !isShort && order.at(entry, 2, 2) != longType)
        // A depth of a type no writer uses is taken at its worst, never under the budget.
        facts.bitsPerSample = mostBitsPerSample;
    else if (tag == bitsPerSampleTag &&
             quint64(order.at(entry, 4, 4)) * valueBytes > entryValueBytes) {
        found.bitsPerSampleAt = order.at(entry, 8, 4);
        found.bitsPerSampleBytes = valueBytes;
    } else if (tag == bitsPerSampleTag)
        facts.bitsPerSample = int(qMax<quint32>(value, 1));
    else if (tag == orientationTag && value >= 1 && value <= 8)
        facts.orientation = int(value);
    else if (tag == extraSamplesTag)
        facts.hasExtraSamples = true;
}

} // namespace

TiffFacts readTiffStructure(const std::function<QByteArray(qint64, int)>& readAt)
{
    TiffFacts facts;
    const QByteArray head = readAt(0, 8);
    if (head.size() < 8 ||
        !(head.startsWith(QByteArray("II*\0", 4)) || head.startsWith(QByteArray("MM\0*", 4))))
        return facts;
    const ByteOrder order(head[0] == 'I');
    const qint64 directory = order.at(head, 4, 4);
    const QByteArray count = readAt(directory, 2);
    if (count.size() < 2)
        return facts;
    const int entries = int(order.at(count, 0, 2));
    if (entries > mostEntries)
        return facts;
    const QByteArray table = readAt(directory + 2, entries * entryBytes + 4);
    if (table.size() < entries * entryBytes + 4)
        return facts;
    EntryFindings found;
    for (int entry = 0; entry < entries; ++entry)
        takeEntry(table.mid(entry * entryBytes, entryBytes), order, facts, found);
    // Every sample of a pixel has the depth of the first in the images libtiff decodes.
    if (found.bitsPerSampleAt > 0) {
        const int width = found.bitsPerSampleBytes;
        const QByteArray bits = readAt(found.bitsPerSampleAt, width);
        if (bits.size() == width)
            facts.bitsPerSample =
                int(qBound<quint32>(1, order.at(bits, 0, width), mostBitsPerSample));
    }
    facts.readable = true;
    const QSize size = found.size;
    facts.size = size.width() > 0 && size.height() > 0 ? size : QSize();
    facts.hasNextPage = order.at(table, entries * entryBytes, 4) != 0;
    return facts;
}
