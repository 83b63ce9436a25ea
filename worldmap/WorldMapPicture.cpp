#include "worldmap/WorldMapPicture.h"

#include "platform/Error.h"

#include <QFile>

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

namespace {

// Larger pictures are refused before anything is allocated: a damaged header can
// claim any size up to 65535 x 65535.
constexpr JDIMENSION kMaxSide = 8192;

// libjpeg reports fatal errors through error_exit, which must not return: it jumps
// back to Decode(). Everything the jump leaves behind lives in DecodeState, owned by
// a frame outside Decode(), so no C++ object is skipped and nothing needs volatile.
struct ErrorManager {
    jpeg_error_mgr base;  // first, so libjpeg's err pointer is also ours
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

struct DecodeState {
    ErrorManager errors{};
    jpeg_decompress_struct info;
    bool created = false;
    QImage image;
};

ErrorManager& ErrorsOf(j_common_ptr info) {
    return *reinterpret_cast<ErrorManager*>(info->err);
}

void RememberMessage(j_common_ptr info) {
    ErrorManager& errors = ErrorsOf(info);
    if (errors.message[0] == '\0') info->err->format_message(info, errors.message);
}

[[noreturn]] void JumpOut(j_common_ptr info) {
    RememberMessage(info);
    std::longjmp(ErrorsOf(info).jump, 1);
}

bool Decode(DecodeState& state, const QByteArray& jpeg) {
    if (setjmp(state.errors.jump)) return false;

    jpeg_create_decompress(&state.info);
    state.created = true;
    jpeg_mem_src(&state.info, reinterpret_cast<const unsigned char*>(jpeg.constData()),
                 static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&state.info, TRUE);
    if (state.info.image_width > kMaxSide || state.info.image_height > kMaxSide) {
        std::snprintf(state.errors.message, sizeof state.errors.message, "%u x %u pixels is too large",
                      state.info.image_width, state.info.image_height);
        return false;
    }
    // BGRA bytes are Format_RGB32 on a little-endian machine, with the pad byte 0xFF.
    state.info.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&state.info);

    state.image = QImage(static_cast<int>(state.info.output_width),
                         static_cast<int>(state.info.output_height), QImage::Format_RGB32);
    if (state.image.isNull()) {
        std::snprintf(state.errors.message, sizeof state.errors.message, "no memory for the picture");
        return false;
    }
    while (state.info.output_scanline < state.info.output_height) {
        JSAMPROW row = state.image.scanLine(static_cast<int>(state.info.output_scanline));
        if (jpeg_read_scanlines(&state.info, &row, 1) != 1) {
            std::snprintf(state.errors.message, sizeof state.errors.message, "the data ends early");
            return false;
        }
    }
    jpeg_finish_decompress(&state.info);
    return true;
}

[[noreturn]] void ThrowDamaged(const QString& reason) {
    throw Exception(QStringLiteral("The world map picture is damaged: %1").arg(reason));
}

}  // namespace

QImage DecodeMapPicture(const QByteArray& jpeg) {
    DecodeState state;
    state.info.err = jpeg_std_error(&state.errors.base);
    state.errors.base.error_exit = JumpOut;
    // Warnings (premature end, corrupt entropy data) would leave grey or garbled
    // rows in a picture reported as good; they are kept and counted, not printed.
    state.errors.base.output_message = RememberMessage;

    const bool decoded = Decode(state, jpeg);
    const long warnings = state.errors.base.num_warnings;
    if (state.created) jpeg_destroy_decompress(&state.info);

    if (!decoded || warnings > 0) {
        ThrowDamaged(state.errors.message[0] != '\0' ? QString::fromLocal8Bit(state.errors.message)
                                                     : QStringLiteral("it cannot be decoded"));
    }
    return std::move(state.image);
}

QImage LoadWorldMapPicture(int scale) {
    QFile file(scale == 2 ? kWorldMapResource2x : kWorldMapResource);
    if (!file.open(QIODevice::ReadOnly)) {
        throw Exception(QStringLiteral("The world map picture is missing."));
    }
    QImage image = DecodeMapPicture(file.readAll());
    const int width = kWorldMapWidth * scale, height = kWorldMapHeight * scale;
    if (image.width() != width || image.height() != height) {
        ThrowDamaged(QStringLiteral("it is %1 x %2 pixels, not %3 x %4")
                         .arg(image.width())
                         .arg(image.height())
                         .arg(width)
                         .arg(height));
    }
    return image;
}

QImage WorldMapForPixelRatio(double ratio) {
    QImage map = LoadWorldMapPicture(ratio > 1.0 ? 2 : 1);
    const QSize device(qRound(kWorldMapWidth * ratio), qRound(kWorldMapHeight * ratio));
    if (map.size() != device)
        map = map.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                  .convertToFormat(QImage::Format_RGB32);
    return map;
}
