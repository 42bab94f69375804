// vellum-icon: Vellum's application icon, a parchment sheet with rows of ink and a red seal with
// a tick, drawn from one description as a scalable SVG and as PNGs for the hicolor theme:
//
//   vellum-icon FOLDER NAME   writes FOLDER/scalable/apps/NAME.svg and
//                             FOLDER/SxS/apps/NAME.png for S = 48, 128, 256
//
// The build runs it; the shapes use the colours of the program's other pictures.
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdio>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "tools/artwork_palette.h"

namespace {

constexpr double kSide = 256;  // the design's square, in SVG user units
constexpr int kPngSizes[] = {48, 128, 256};

using namespace vellum::artwork;

// A fill from one colour to another: down the shape's box, or out from a centre.
struct Fill {
    QColor from;
    QColor to;
    bool radial = false;
    QPointF centre;  // radial only
    double radius = 0;
};

struct Shape {
    enum class Kind { Sheet, Disc, Stroke } kind;
    QRectF box;                 // Sheet and Disc
    double corner = 0;          // Sheet
    std::vector<QPointF> line;  // Stroke: a polyline with round ends
    Fill fill;                  // Sheet and Disc
    QColor pen;                 // Sheet outline and Stroke
    double width = 0;
};

Fill Down(const QColor& from, const QColor& to) {
    return {from, to, false, {}, 0};
}

Fill Out(const QColor& from, const QColor& to, QPointF centre, double radius) {
    return {from, to, true, centre, radius};
}

Shape Sheet(const QRectF& box, double corner, const Fill& fill, const QColor& pen, double width) {
    return {Shape::Kind::Sheet, box, corner, {}, fill, pen, width};
}

Shape Disc(const QRectF& box, const Fill& fill) {
    return {Shape::Kind::Disc, box, 0, {}, fill, {}, 0};
}

Shape Stroke(std::vector<QPointF> line, const QColor& pen, double width) {
    return {Shape::Kind::Stroke, {}, 0, std::move(line), Down({}, {}), pen, width};
}

std::vector<Shape> Icon() {
    std::vector<Shape> shapes;
    shapes.push_back(Sheet(QRectF(28, 16, 168, 216), 18, Down(kParchmentTop, kParchmentBottom),
                           kParchmentEdge, 6));
    // Rows of a list, the last one short, as the end of a page.
    for (int row = 0; row < 4; ++row) {
        const double y = 64 + 32 * row;
        shapes.push_back(Stroke({{60, y}, {row == 3 ? 116.0 : 164.0, y}}, kInk, 12));
    }
    shapes.push_back(
        Disc(QRectF(128, 128, 112, 112), Out(kSealLight, kSealDark, QPointF(165, 165), 86)));
    shapes.push_back(Stroke({{158, 186}, {177, 205}, {210, 166}}, kParchmentTop, 13));
    return shapes;
}

// --- SVG ---

std::string Num(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

std::string Hex(const QColor& colour) {
    return colour.name().toStdString();
}

std::string Gradient(const Fill& f, const Shape& s, const std::string& id) {
    const std::string stops = "<stop offset=\"0\" stop-color=\"" + Hex(f.from) +
                              "\"/><stop offset=\"1\" stop-color=\"" + Hex(f.to) + "\"/>";
    if (f.radial)
        return "<radialGradient id=\"" + id + "\" gradientUnits=\"userSpaceOnUse\" cx=\"" +
               Num(f.centre.x()) + "\" cy=\"" + Num(f.centre.y()) + "\" r=\"" + Num(f.radius) +
               "\">" + stops + "</radialGradient>";
    return "<linearGradient id=\"" + id + "\" gradientUnits=\"userSpaceOnUse\" x1=\"0\" y1=\"" +
           Num(s.box.top()) + "\" x2=\"0\" y2=\"" + Num(s.box.bottom()) + "\">" + stops +
           "</linearGradient>";
}

std::string Element(const Shape& s, const std::string& fillId) {
    const std::string fill = " fill=\"url(#" + fillId + ")\"";
    switch (s.kind) {
        case Shape::Kind::Sheet:
            return "<rect x=\"" + Num(s.box.x()) + "\" y=\"" + Num(s.box.y()) + "\" width=\"" +
                   Num(s.box.width()) + "\" height=\"" + Num(s.box.height()) + "\" rx=\"" +
                   Num(s.corner) + "\"" + fill + " stroke=\"" + Hex(s.pen) + "\" stroke-width=\"" +
                   Num(s.width) + "\"/>";
        case Shape::Kind::Disc:
            return "<circle cx=\"" + Num(s.box.center().x()) + "\" cy=\"" +
                   Num(s.box.center().y()) + "\" r=\"" + Num(s.box.width() / 2) + "\"" + fill +
                   "/>";
        case Shape::Kind::Stroke: {
            std::string points;
            for (const QPointF& p : s.line) points += Num(p.x()) + "," + Num(p.y()) + " ";
            points.pop_back();
            return "<polyline points=\"" + points + "\" fill=\"none\" stroke=\"" + Hex(s.pen) +
                   "\" stroke-width=\"" + Num(s.width) +
                   "\" stroke-linecap=\"round\" stroke-linejoin=\"round\"/>";
        }
    }
    return {};
}

std::string Svg(const std::vector<Shape>& shapes) {
    std::string defs;
    std::string body;
    for (std::size_t k = 0; k < shapes.size(); ++k) {
        const std::string id = "fill" + std::to_string(k);
        if (shapes[k].kind != Shape::Kind::Stroke)
            defs += "  " + Gradient(shapes[k].fill, shapes[k], id) + "\n";
        body += "  " + Element(shapes[k], id) + "\n";
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" "
           "viewBox=\"0 0 256 256\">\n<defs>\n" +
           defs + "</defs>\n" + body + "</svg>\n";
}

// --- PNG ---

QBrush Brush(const Shape& s) {
    if (s.fill.radial) {
        QRadialGradient gradient(s.fill.centre, s.fill.radius);
        gradient.setColorAt(0, s.fill.from);
        gradient.setColorAt(1, s.fill.to);
        return gradient;
    }
    QLinearGradient gradient(0, s.box.top(), 0, s.box.bottom());
    gradient.setColorAt(0, s.fill.from);
    gradient.setColorAt(1, s.fill.to);
    return gradient;
}

void Paint(QPainter& painter, const Shape& s) {
    painter.setBrush(s.kind == Shape::Kind::Stroke ? QBrush(Qt::NoBrush) : Brush(s));
    painter.setPen(s.kind == Shape::Kind::Disc
                       ? QPen(Qt::NoPen)
                       : QPen(s.pen, s.width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    if (s.kind == Shape::Kind::Sheet) painter.drawRoundedRect(s.box, s.corner, s.corner);
    if (s.kind == Shape::Kind::Disc) painter.drawEllipse(s.box);
    if (s.kind == Shape::Kind::Stroke) painter.drawPolyline(s.line.data(), int(s.line.size()));
}

QImage Png(const std::vector<Shape>& shapes, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / kSide, size / kSide);
    for (const Shape& s : shapes) Paint(painter, s);
    return image;
}

bool WriteText(const QString& path, const std::string& text) {
    std::ofstream out(path.toStdString(), std::ios::binary);
    out << text;
    return bool(out.flush());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: vellum-icon FOLDER NAME\n", stderr);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QString name = QString::fromLocal8Bit(argv[2]);
    const std::vector<Shape> shapes = Icon();
    bool written = QDir().mkpath(folder + "/scalable/apps") &&
                   WriteText(folder + "/scalable/apps/" + name + ".svg", Svg(shapes));
    for (const int size : kPngSizes) {
        const QString sub = QStringLiteral("%1/%2x%2/apps").arg(folder).arg(size);
        written =
            written && QDir().mkpath(sub) && Png(shapes, size).save(sub + "/" + name + ".png");
    }
    if (!written) std::fprintf(stderr, "vellum-icon: cannot write under %s\n", argv[1]);
    return written ? 0 : 1;
}
