#include "jpegstreamdecoder.h"

#include "imagestream.h"
#include "jpegorientation.h"
#include "screenimage.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

#include <opencv2/core.hpp>

namespace {

const unsigned int largestMarker = 0xffff;
const JOCTET fakeEnd[2] = {0xff, JPEG_EOI};

// libjpeg's errors end in a jump back to the call that met them.
struct Errors
{
    jpeg_error_mgr manager = {};
    std::jmp_buf jump;
};

[[noreturn]] void leave(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<Errors*>(info->err)->jump, 1);
}

// Warnings stay quiet, as OpenCV's decoder keeps them.
void quiet(j_common_ptr, int) {}
void quietOutput(j_common_ptr) {}

// The stream's bytes as they arrive; where none will come, the end libjpeg needs to finish.
struct Source
{
    jpeg_source_mgr manager = {};
    ImageStream* stream = nullptr;
    // Where the bytes handed over so far end.
    qint64 end = 0;
    bool ranOut = false;
};

Source& sourceOf(j_decompress_ptr info)
{
    return *reinterpret_cast<Source*>(info->src);
}

void noStart(j_decompress_ptr) {}
void noTerm(j_decompress_ptr) {}

boolean fillInput(j_decompress_ptr info)
{
    Source& source = sourceOf(info);
    const qint64 arrived = source.stream->waitBeyond(source.end);
    if (arrived <= source.end) {
        source.ranOut = true;
        source.manager.next_input_byte = fakeEnd;
        source.manager.bytes_in_buffer = sizeof fakeEnd;
        return TRUE;
    }
    source.manager.next_input_byte =
        reinterpret_cast<const JOCTET*>(source.stream->bytes()) + source.end;
    source.manager.bytes_in_buffer = std::size_t(arrived - source.end);
    source.end = arrived;
    return TRUE;
}

// A skip past the bytes at hand waits for no byte it skips.
void skipInput(j_decompress_ptr info, long count)
{
    Source& source = sourceOf(info);
    if (count <= 0)
        return;
    if (std::size_t(count) <= source.manager.bytes_in_buffer) {
        source.manager.next_input_byte += count;
        source.manager.bytes_in_buffer -= std::size_t(count);
        return;
    }
    source.end += qint64(count) - qint64(source.manager.bytes_in_buffer);
    source.manager.bytes_in_buffer = 0;
}

// The segments before the pixels as the file holds them, each with its marker and length.
QByteArray segmentsOf(jpeg_saved_marker_ptr marker)
{
    QByteArray segments;
    for (; marker; marker = marker->next) {
        const unsigned int length = marker->data_length + 2;
        segments += char(0xff);
        segments += char(marker->marker);
        segments += char(length >> 8);
        segments += char(length & 0xff);
        segments += QByteArray::fromRawData(reinterpret_cast<const char*>(marker->data),
                                            qsizetype(marker->data_length));
    }
    return segments;
}

cv::Mat matOf(QImage& image)
{
    return cv::Mat(image.height(), image.width(), CV_8UC4, image.bits(),
                   std::size_t(image.bytesPerLine()));
}

// OpenCV's flip code of the mirror an orientation takes, after a transposition from 5 on.
int flipCodeOf(int orientation)
{
    switch (orientation) {
    case 2:
    case 6:
        return 1;
    case 4:
    case 8:
        return 0;
    default:
        return -1;
    }
}

bool storedUpright(int orientation)
{
    return orientation < 2 || orientation > 8;
}

// The stored pixels turned as EXIF orientation says, into a buffer of their own.
QImage upright(QImage stored, int orientation) noexcept
{
    if (storedUpright(orientation))
        return stored;
    const QSize size = orientation >= 5 ? stored.size().transposed() : stored.size();
    QImage turned = screenBuffer(size.width(), size.height());
    if (turned.isNull())
        return QImage();
    try {
        const cv::Mat from = matOf(stored);
        cv::Mat to = matOf(turned);
        const uchar* const into = to.data;
        if (orientation < 5)
            cv::flip(from, to, flipCodeOf(orientation));
        else
            cv::transpose(from, to);
        if (orientation > 5)
            cv::flip(to, to, flipCodeOf(orientation));
        return to.data == into ? turned : QImage();
    } catch (...) {
        return QImage();
    }
}

} // namespace

struct JpegStreamDecoder::State
{
    jpeg_decompress_struct info = {};
    Errors errors = {};
    Source source;
    bool created = false;
    int orientation = 1;
};

namespace {

// Runs libjpeg's calls; false where one of them failed. The calls keep no object that a
// jump out of them would leave undestroyed.
template <typename Calls> bool guarded(std::jmp_buf& jump, const Calls& calls)
{
    if (setjmp(jump) != 0)
        return false;
    calls();
    return true;
}

} // namespace

JpegStreamDecoder::JpegStreamDecoder(ImageStream& stream) : state(new State)
{
    state->info.err = jpeg_std_error(&state->errors.manager);
    state->errors.manager.error_exit = leave;
    state->errors.manager.emit_message = quiet;
    state->errors.manager.output_message = quietOutput;
    Source& source = state->source;
    source.stream = &stream;
    source.manager.init_source = noStart;
    source.manager.fill_input_buffer = fillInput;
    source.manager.skip_input_data = skipInput;
    source.manager.resync_to_restart = jpeg_resync_to_restart;
    source.manager.term_source = noTerm;
}

JpegStreamDecoder::~JpegStreamDecoder()
{
    if (state->created)
        jpeg_destroy_decompress(&state->info);
}

bool JpegStreamDecoder::readHeader()
{
    State& s = *state;
    const bool read = guarded(s.errors.jump, [&s] {
        jpeg_create_decompress(&s.info);
        s.created = true;
        s.info.src = &s.source.manager;
        // Every segment OpenCV's decoder may look at for the orientation.
        for (int app = 0; app < 16; ++app)
            jpeg_save_markers(&s.info, JPEG_APP0 + app, largestMarker);
        jpeg_save_markers(&s.info, JPEG_COM, largestMarker);
        if (jpeg_read_header(&s.info, TRUE) != JPEG_HEADER_OK)
            leave(reinterpret_cast<j_common_ptr>(&s.info));
    });
    if (!read || s.source.ranOut)
        return false;
    s.orientation = openCvJpegOrientation(segmentsOf(s.info.marker_list));
    return s.orientation != 0;
}

QSize JpegStreamDecoder::uprightSize() const
{
    const QSize stored(int(state->info.image_width), int(state->info.image_height));
    return state->orientation >= 5 ? stored.transposed() : stored;
}

QImage JpegStreamDecoder::decode(int reduction, const RowsIn& rowsIn)
{
    State& s = *state;
    s.info.scale_num = 1;
    s.info.scale_denom = unsigned(reduction);
    s.info.out_color_space = JCS_EXT_BGRX;
    if (!guarded(s.errors.jump, [&s] { jpeg_calc_output_dimensions(&s.info); }) ||
        s.info.output_components != 4)
        return QImage();
    QImage stored = screenBuffer(int(s.info.output_width), int(s.info.output_height));
    if (stored.isNull())
        return QImage();
    uchar* const bits = stored.bits();
    const std::size_t line = std::size_t(stored.bytesPerLine());
    // Read only, so that no one's look at it detaches the buffer being written.
    const QImage sofar(stored.constBits(), stored.width(), stored.height(), stored.bytesPerLine(),
                       stored.format());
    const bool tellRows = rowsIn && storedUpright(s.orientation);
    const bool decoded = guarded(s.errors.jump, [&] {
        jpeg_start_decompress(&s.info);
        while (s.info.output_scanline < s.info.output_height) {
            JSAMPROW row = bits + line * s.info.output_scanline;
            jpeg_read_scanlines(&s.info, &row, 1);
            if (tellRows)
                rowsIn(sofar, int(s.info.output_scanline));
        }
        jpeg_finish_decompress(&s.info);
    });
    // A file that ended early is shown as the decoder of whole files shows it.
    if (!decoded || s.source.ranOut)
        return QImage();
    return upright(std::move(stored), s.orientation);
}
