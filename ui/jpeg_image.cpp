#include "ui/jpeg_image.h"

#include <QFile>
#include <csetjmp>
#include <cstdio>

// jpeglib.h uses FILE and size_t without including their headers.
#include <jpeglib.h>

namespace vellum::ui {
namespace {

// libjpeg reports a fatal error by calling error_exit, whose default ends the process. Ours
// jumps back to the decoder instead; warnings (a truncated or damaged stream that libjpeg would
// patch with grey) are counted and make the picture count as corrupt too.
struct ErrorTrap {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

[[noreturn]] void JumpBack(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorTrap*>(info->err)->jump, 1);
}

void CountWarning(j_common_ptr info, int level) {
    if (level < 0) ++info->err->num_warnings;
}

void Silent(j_common_ptr) {}

// Everything that may end in JumpBack runs here, between setjmp and return, and touches no
// local object of its own after setjmp: the image lives with the caller.
bool DecodeInto(jpeg_decompress_struct& info, ErrorTrap& trap, QByteArrayView bytes,
                QImage& image) {
    if (setjmp(trap.jump) != 0) return false;
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()),
                 static_cast<unsigned long>(bytes.size()));
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) return false;
    constexpr auto kLargest = static_cast<JDIMENSION>(kLargestJpegSide);
    if (info.image_width > kLargest || info.image_height > kLargest) return false;
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    image = QImage(int(info.output_width), int(info.output_height), QImage::Format_RGB888);
    if (image.isNull() || info.output_components != 3) return false;
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image.scanLine(int(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    return info.err->num_warnings == 0;
}

}  // namespace

QImage DecodeJpeg(QByteArrayView bytes) {
    if (bytes.isEmpty()) return {};
    jpeg_decompress_struct info{};
    ErrorTrap trap{};
    info.err = jpeg_std_error(&trap.manager);
    trap.manager.error_exit = JumpBack;
    trap.manager.emit_message = CountWarning;
    trap.manager.output_message = Silent;
    QImage image;
    const bool whole = DecodeInto(info, trap, bytes, image);
    jpeg_destroy_decompress(&info);
    return whole ? image : QImage();
}

QImage LoadJpeg(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return DecodeJpeg(file.readAll());
}

}  // namespace vellum::ui
