// vellum-artwork: draws every picture of the program (the three web logos, the About box's
// pictures and the shaped splash bitmap) and writes them as the JPEG and BMP files that
// resources/vellum.qrc embeds, each once at its size and once at twice its size ("name@2x.jpg")
// for screens scaled by more than one. The build uses the committed files; run this only to
// change them:
//
//   ninja -C build vellum-artwork && build/tools/vellum-artwork resources/pictures
//
// Text is drawn with the DejaVu fonts; another font gives slightly different, equally usable
// pictures. JPEGs are written with libjpeg, the bitmaps by hand (24-bit, uncompressed), so
// nothing depends on which image plug-ins Qt was built with.
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

// jpeglib.h uses FILE and size_t without including their headers.
#include <jpeglib.h>

#include "tools/artwork_palette.h"

namespace {

using namespace vellum::artwork;

// --- Writing files ---

bool WriteJpeg(const QImage& picture, const std::string& path) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);  // a tool may stop on an encoder error
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = static_cast<JDIMENSION>(rgb.width());
    info.image_height = static_cast<JDIMENSION>(rgb.height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    info.optimize_coding = TRUE;
    // No chroma subsampling: the pictures are small and full of coloured lettering.
    for (int c = 0; c < info.num_components; ++c)
        info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        auto* row = const_cast<JSAMPLE*>(rgb.constScanLine(static_cast<int>(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return std::fclose(file) == 0;
}

void PutLittleEndian(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A Windows bitmap, 24 bits per pixel, rows bottom-up and padded to four bytes.
bool WriteBmp(const QImage& picture, const std::string& path) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    const auto width = static_cast<std::uint32_t>(rgb.width());
    const auto height = static_cast<std::uint32_t>(rgb.height());
    const std::uint32_t stride = (width * 3 + 3) / 4 * 4;
    std::string out = "BM";
    PutLittleEndian(out, 54 + stride * height, 4);
    PutLittleEndian(out, 0, 4);
    PutLittleEndian(out, 54, 4);  // where the pixels start
    PutLittleEndian(out, 40, 4);  // BITMAPINFOHEADER
    PutLittleEndian(out, width, 4);
    PutLittleEndian(out, height, 4);
    PutLittleEndian(out, 1, 2);
    PutLittleEndian(out, 24, 2);
    PutLittleEndian(out, 0, 4);  // BI_RGB
    PutLittleEndian(out, stride * height, 4);
    PutLittleEndian(out, 2835, 4);  // 72 dpi
    PutLittleEndian(out, 2835, 4);
    PutLittleEndian(out, 0, 8);
    for (int y = rgb.height() - 1; y >= 0; --y) {
        const uchar* line = rgb.constScanLine(y);
        for (std::uint32_t x = 0; x < width; ++x)
            out.append({static_cast<char>(line[3 * x + 2]), static_cast<char>(line[3 * x + 1]),
                        static_cast<char>(line[3 * x])});
        out.append(stride - width * 3, '\0');
    }
    std::ofstream file(path, std::ios::binary);
    file << out;
    return static_cast<bool>(file.flush());
}

// --- Drawing helpers ---

QFont Font(const char* family, int pixels, bool bold) {
    QFont font(family);
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

// A picture of width x height, drawn `scale` times as large: every drawing function paints in
// the 1x coordinates through a painter scaled by Begin, so both sizes show the same drawing.
QImage Canvas(int width, int height, const QColor& fill, int scale = 1) {
    QImage canvas(width * scale, height * scale, QImage::Format_RGB32);
    canvas.fill(fill);
    return canvas;
}

void Begin(QPainter& painter, int scale) {
    painter.scale(scale, scale);
}

// The part of a picture drawn at scale that lies at rect in 1x coordinates.
QImage Cut(const QImage& picture, const QRect& rect, int scale) {
    return picture.copy(rect.x() * scale, rect.y() * scale, rect.width() * scale,
                        rect.height() * scale);
}

// A fixed sequence, so that every run draws the same fibres and digits.
class Sequence {
  public:
    std::uint32_t Next() { return state_ = state_ * 1664525u + 1013904223u; }
    int Below(int limit) {
        return static_cast<int>((Next() >> 8) % static_cast<std::uint32_t>(limit));
    }

  private:
    std::uint32_t state_ = 20240607u;
};

void FillParchment(QPainter& painter, const QRectF& area, Sequence& sequence) {
    QLinearGradient gradient(area.topLeft(), area.bottomRight());
    gradient.setColorAt(0, kParchmentTop);
    gradient.setColorAt(1, kParchmentBottom);
    painter.fillRect(area, gradient);
    // Short pale fibres, as in a skin that was scraped and dried.
    for (int i = 0; i < int(area.width() * area.height() / 60); ++i) {
        const QPointF at(area.left() + sequence.Below(int(area.width())),
                         area.top() + sequence.Below(int(area.height())));
        const int shade = sequence.Below(2) == 0 ? 0xC8 : 0xFB;
        painter.setPen(QPen(QColor(shade, shade - 12, shade - 40, 40), 1));
        painter.drawLine(at, at + QPointF(3 + sequence.Below(6), sequence.Below(3) - 1));
    }
}

void DrawSeal(QPainter& painter, QPointF centre, qreal radius) {
    QRadialGradient wax(centre - QPointF(radius / 3, radius / 3), radius * 1.4);
    wax.setColorAt(0, kSealLight);
    wax.setColorAt(1, kSealDark);
    painter.setPen(Qt::NoPen);
    painter.setBrush(wax);
    painter.drawEllipse(centre, radius, radius);
    painter.setPen(QPen(QColor(0xE8, 0xB0, 0x9A, 150), 1.2));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(centre, radius * 0.78, radius * 0.78);
    painter.setPen(kParchmentTop);
    painter.setFont(Font("DejaVu Serif", int(radius * 1.05), true));
    painter.drawText(QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius),
                     Qt::AlignCenter, "V");
}

// --- The web logo of the main window's bottom bar, 96 x 23, in one colour ---

QImage WebLogo(const QColor& ink, int scale) {
    QImage logo = Canvas(96, 23, QColor(0xF0, 0xF0, 0xF0), scale);
    QPainter painter(&logo);
    Begin(painter, scale);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient face(0, 0, 0, 23);
    face.setColorAt(0, QColor(0xFD, 0xFD, 0xFB));
    face.setColorAt(1, QColor(0xE4, 0xE4, 0xDE));
    painter.setPen(QPen(ink, 1));
    painter.setBrush(face);
    painter.drawRoundedRect(QRectF(0.5, 0.5, 95, 22), 5, 5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);
    painter.drawEllipse(QPointF(11.5, 11.5), 8, 8);
    painter.setPen(QColor(0xFD, 0xFD, 0xFB));
    painter.setFont(Font("DejaVu Serif", 12, true));
    painter.drawText(QRectF(3.5, 3.5, 16, 16), Qt::AlignCenter, "T");
    painter.setPen(ink);
    painter.setFont(Font("DejaVu Sans", 12, true));
    painter.drawText(QRectF(23, 0, 71, 23), Qt::AlignCenter, "tarnwick");
    return logo;
}

// --- The file-limit picture beside the version box, 21 x 21: a little list of rows ---

QImage LimitPicture(int scale) {
    QImage picture = Canvas(21, 21, QColor(0xF0, 0xF0, 0xF0), scale);
    QPainter painter(&picture);
    Begin(painter, scale);
    painter.setRenderHint(QPainter::Antialiasing);
    Sequence sequence;
    painter.setPen(QPen(kParchmentEdge, 1));
    painter.setBrush(Qt::NoBrush);
    FillParchment(painter, QRectF(1, 1, 15, 18), sequence);
    painter.drawRect(QRectF(1.5, 1.5, 14, 17));
    // Rows of the list, the last one flagged.
    for (int row = 0; row < 4; ++row) {
        const qreal y = 5 + row * 3.5;
        painter.setPen(QPen(row == 3 ? QColor(0x2E, 0x8B, 0x3C) : QColor(0x5A, 0x4A, 0x30), 1.2));
        painter.drawLine(QPointF(4, y), QPointF(13, y));
    }
    DrawSeal(painter, QPointF(15.5, 15.5), 5);
    return picture;
}

// --- The About box, 222 x 157: one composition, cut into its pictures ---

QImage AboutBackground(int scale) {
    QImage background = Canvas(222, 157, kParchmentTop, scale);
    QPainter painter(&background);
    Begin(painter, scale);
    Sequence sequence;
    FillParchment(painter, QRectF(0, 0, 222, 157), sequence);
    // The box has no border of its own; the picture gives it one.
    painter.setPen(QPen(kParchmentEdge, 1));
    painter.drawRect(QRectF(0.5, 0.5, 221, 156));
    painter.setPen(
        QPen(QColor(kParchmentEdge.red(), kParchmentEdge.green(), kParchmentEdge.blue(), 90), 1));
    painter.drawRect(QRectF(3.5, 3.5, 215, 150));
    return background;
}

QImage AboutComposition(const QImage& background, int scale) {
    QImage whole = background.copy();
    QPainter painter(&whole);
    Begin(painter, scale);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(kInk);
    painter.setFont(Font("DejaVu Serif", 31, true));
    painter.drawText(QRectF(8, 8, 144, 48), Qt::AlignCenter, "Vellum");
    DrawSeal(painter, QPointF(184, 36), 17);
    // The link banner: a globe and the words, as a web link is drawn.
    const QColor link(0x1A, 0x4F, 0xB0);
    painter.setPen(QPen(link, 1.2));
    painter.setBrush(Qt::NoBrush);
    const QPointF globe(30, 125.5);
    painter.drawEllipse(globe, 8, 8);
    painter.drawEllipse(globe, 3.5, 8);
    painter.drawLine(globe - QPointF(8, 0), globe + QPointF(8, 0));
    QFont words = Font("DejaVu Sans", 12, true);
    words.setUnderline(true);
    painter.setFont(words);
    painter.drawText(QRectF(42, 112, 138, 27), Qt::AlignVCenter | Qt::AlignLeft,
                     "Visit our web site");
    return whole;
}

// --- The splash, 227 x 229: a parchment sheet with a seal; pure white is see-through ---

QPainterPath SplashShape() {
    QPainterPath sheet;
    sheet.addRoundedRect(QRectF(8, 26, 211, 196), 16, 16);
    QPainterPath seal;
    seal.addEllipse(QPointF(186, 40), 31, 31);
    return sheet.united(seal);
}

// Faint rows of digest digits behind the title: what the program writes on its vellum.
void DrawHexRows(QPainter& painter, Sequence& sequence) {
    painter.save();
    painter.setClipRect(QRectF(16, 34, 195, 138));
    painter.setPen(QColor(0xDC, 0xC8, 0x9F));
    painter.setFont(Font("DejaVu Sans Mono", 9, false));
    static constexpr char kHex[] = "0123456789abcdef";
    for (int row = 0; row < 14; ++row) {
        QString digits;
        for (int i = 0; i < 32; ++i) digits += QChar(kHex[sequence.Below(16)]);
        painter.drawText(QPointF(18 - (row % 3) * 7, 46 + row * 12), digits);
    }
    painter.restore();
}

// A tick in a ring, left of where the window writes its version.
void DrawCheckMark(QPainter& painter, QPointF centre) {
    painter.setPen(QPen(kParchmentTop, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(centre, 11, 11);
    QPainterPath tick;
    tick.moveTo(centre + QPointF(-5.5, 0.5));
    tick.lineTo(centre + QPointF(-1.5, 4.5));
    tick.lineTo(centre + QPointF(5.5, -4.5));
    painter.drawPath(tick);
}

QImage SplashArt(int scale) {
    QImage art = Canvas(227, 229, kParchmentTop, scale);
    QPainter painter(&art);
    Begin(painter, scale);
    painter.setRenderHint(QPainter::Antialiasing);
    Sequence sequence;
    FillParchment(painter, QRectF(0, 0, 227, 229), sequence);
    DrawHexRows(painter, sequence);
    painter.setPen(QPen(kParchmentEdge, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(9, 27, 209, 194), 15, 15);
    painter.setPen(kInk);
    painter.setFont(Font("DejaVu Serif", 42, true));
    painter.drawText(QRectF(8, 78, 211, 56), Qt::AlignCenter, "Vellum");
    painter.setFont(Font("DejaVu Sans", 11, false));
    painter.drawText(QRectF(8, 132, 211, 18), Qt::AlignCenter, "checksums and digests");
    // The version label is drawn in white by the window, on this band.
    painter.setPen(Qt::NoPen);
    painter.setBrush(kInk);
    painter.drawRoundedRect(QRectF(22, 176, 183, 34), 8, 8);
    DrawCheckMark(painter, QPointF(48, 193));
    DrawSeal(painter, QPointF(186, 40), 29);
    return art;
}

// Outside the shape pure white, inside never: the window is cut along the shape alone. The
// window's shape is made from the 1x bitmap in whole pixels, so a larger bitmap is white exactly
// where the 1x one is, pixel for pixel, and shows its finer drawing only inside.
QImage SplashBitmap(int scale) {
    QImage shape = Canvas(227, 229, Qt::white);
    {
        QPainter painter(&shape);  // hard edges: a window shape has no half pixels
        painter.fillPath(SplashShape(), Qt::black);
    }
    const QImage art = SplashArt(scale);
    QImage splash = Canvas(227, 229, Qt::white, scale);
    for (int y = 0; y < splash.height(); ++y)
        for (int x = 0; x < splash.width(); ++x) {
            if (shape.pixel(x / scale, y / scale) == qRgb(255, 255, 255)) continue;
            const QRgb p = art.pixel(x, y);
            splash.setPixel(x, y, p == qRgb(255, 255, 255) ? qRgb(254, 254, 254) : p);
        }
    return splash;
}

// Every picture at one scale; the names of the larger ones carry "@2x" before the extension.
bool WriteAll(const std::string& folder, int scale) {
    const std::string at = scale == 1 ? "" : "@" + std::to_string(scale) + "x";
    const auto name = [&](const char* stem, const char* extension) {
        return folder + "/" + stem + at + extension;
    };
    const QImage background = AboutBackground(scale);
    const QImage about = AboutComposition(background, scale);
    return WriteJpeg(WebLogo(QColor(0x80, 0x80, 0x80), scale), name("web_grey", ".jpg")) &&
           WriteJpeg(WebLogo(QColor(0x2E, 0x8B, 0x3C), scale), name("web_green", ".jpg")) &&
           WriteJpeg(WebLogo(QColor(0xC6, 0x2F, 0x2A), scale), name("web_red", ".jpg")) &&
           WriteJpeg(background, name("about_background", ".jpg")) &&
           WriteJpeg(Cut(about, {8, 8, 144, 48}, scale), name("about_title", ".jpg")) &&
           WriteJpeg(Cut(about, {160, 16, 48, 40}, scale), name("about_seal", ".jpg")) &&
           WriteBmp(Cut(about, {16, 112, 166, 27}, scale), name("about_link", ".bmp")) &&
           WriteBmp(SplashBitmap(scale), name("splash", ".bmp")) &&
           WriteBmp(LimitPicture(scale), name("limit", ".bmp"));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: vellum-artwork FOLDER\n");
        return 2;
    }
    // Fonts, but no display: the pictures are drawn in memory.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (!WriteAll(argv[1], 1) || !WriteAll(argv[1], 2)) {
        std::fprintf(stderr, "cannot write the pictures to %s\n", argv[1]);
        return 1;
    }
    return 0;
}
