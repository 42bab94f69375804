// The program's pictures: every embedded one decodes at its size through our libjpeg decoder,
// damaged JPEG bytes give an empty image instead of ending the program, the splash window's
// shape keeps exactly the pixels that are not pure white, and the window's icon is there with
// or without the desktop's icon theme.
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include "ui/app_icon.h"
#include "ui/jpeg_image.h"
#include "ui/pictures.h"
#include "ui/splash_window.h"

using namespace vellum::ui;

namespace {

// '#' is a dark pixel, 'o' one that is nearly white (and so must stay), '.' pure white.
QImage Drawn(const QStringList& rows) {
    QImage picture(int(rows.front().size()), int(rows.size()), QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QChar c = rows[y][x];
            picture.setPixel(x, y,
                             c == '.'   ? qRgb(255, 255, 255)
                             : c == 'o' ? qRgb(255, 254, 255)
                                        : qRgb(40, 30, 60));
        }
    return picture;
}

QRegion NotWhite(const QStringList& rows, QPoint offset) {
    QRegion kept;
    for (int y = 0; y < rows.size(); ++y)
        for (int x = 0; x < rows[y].size(); ++x)
            if (rows[y][x] != '.') kept += QRect(offset.x() + x, offset.y() + y, 1, 1);
    return kept;
}

QByteArray ResourceBytes(std::string_view name) {
    (void)Picture(name);  // registers the resources
    QFile file(":/pictures/" + QString::fromLatin1(name.data(), qsizetype(name.size())));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteText(const QString& path, const QByteArray& text) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

// The same JPEG, claiming to be side x side pixels in its frame header.
QByteArray ClaimingSize(QByteArray jpeg, int side) {
    qsizetype frame = jpeg.indexOf("\xFF\xC0");
    if (frame < 0) frame = jpeg.indexOf("\xFF\xC2");
    for (const qsizetype at : {frame + 5, frame + 7}) {
        jpeg[at] = char(side >> 8);
        jpeg[at + 1] = char(side & 0xFF);
    }
    return jpeg;
}

}  // namespace

class PicturesTest final : public QObject {
    Q_OBJECT

  private slots:
    void splashRegionKeepsExactlyTheNonWhitePixels_data() {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QPoint>("offset");
        QTest::newRow("white row cut out whole") << QStringList{"###", "...", "###"} << QPoint();
        QTest::newRow("one dark pixel in a white row")
            << QStringList{".....", "..#..", "....."} << QPoint();
        QTest::newRow("runs at the start and the end of rows")
            << QStringList{"..##.", ".#..#", "#...."} << QPoint();
        QTest::newRow("nearly white is not white") << QStringList{".o.", "o.o"} << QPoint();
        QTest::newRow("nothing white") << QStringList{"##", "##"} << QPoint();
        QTest::newRow("all white") << QStringList{"....", "...."} << QPoint();
        QTest::newRow("placed inside the window") << QStringList{"#..#", ".##."} << QPoint(7, 3);
    }
    void splashRegionKeepsExactlyTheNonWhitePixels() {
        QFETCH(QStringList, rows);
        QFETCH(QPoint, offset);
        QCOMPARE(SplashRegion(Drawn(rows), offset), NotWhite(rows, offset));
    }

    void everyPictureDecodesAtItsSize_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        const std::pair<std::string_view, QSize> pictures[] = {
            {kWebGrey, {96, 23}},           {kWebGreen, {96, 23}},       {kWebRed, {96, 23}},
            {kAboutBackground, {222, 157}}, {kAboutTitle, {144, 48}},    {kAboutSeal, {48, 40}},
            {kAboutLink, {166, 27}},        {kSplashBitmap, {227, 229}}, {kLimitPicture, {21, 21}},
        };
        for (const auto& [name, size] : pictures)
            QTest::newRow(name.data()) << QString::fromLatin1(name.data()) << size;
    }
    // And at twice its size, for scaled screens; in between, the larger one is scaled down.
    void everyPictureDecodesAtItsSize() {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        QCOMPARE(Picture(name.toStdString()).size(), size);
        QCOMPARE(Picture(QString(name).replace(".", "@2x.").toStdString()).size(), size * 2);
        for (const qreal ratio : {1.0, 1.5, 2.0}) {
            const QPixmap pixmap = PicturePixmap(name.toStdString(), ratio);
            QCOMPARE(pixmap.devicePixelRatio(), ratio);
            QCOMPARE(pixmap.size(), (QSizeF(size) * ratio).toSize());
        }
    }

    // The window is cut along the 1x bitmap; the 2x one must be white exactly there.
    void largerSplashIsWhiteWhereTheWindowIsCut() {
        const QImage normal = Picture(kSplashBitmap);
        const QImage large = Picture("splash@2x.bmp");
        const auto white = [](QRgb pixel) { return pixel == qRgb(255, 255, 255); };
        for (int y = 0; y < large.height(); ++y)
            for (int x = 0; x < large.width(); ++x)
                if (white(large.pixel(x, y)) != white(normal.pixel(x / 2, y / 2)))
                    QFAIL(qPrintable(QString("pixel %1,%2").arg(x).arg(y)));
    }

    void damagedJpegGivesAnEmptyImage_data() {
        const QByteArray whole = ResourceBytes(kAboutBackground);
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("decodes");
        QTest::newRow("whole") << whole << true;
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("not a JPEG") << ResourceBytes(kAboutLink) << false;
        QTest::newRow("start marker, then noise")
            << QByteArray("\xFF\xD8\xFF\xE0\x00\x10noise and more noise", 24) << false;
        QTest::newRow("headers only") << whole.left(300) << false;
        QTest::newRow("cut in the middle") << whole.left(whole.size() / 2) << false;
        QTest::newRow("claims to be huge") << ClaimingSize(whole, 60000) << false;
    }
    void damagedJpegGivesAnEmptyImage() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, decodes);
        const QImage image = DecodeJpeg(bytes);
        QCOMPARE(image.isNull(), !decodes);
        if (decodes) QCOMPARE(image.size(), QSize(222, 157));
    }

    // The real bitmap: cut along its outline, never through the version written on it.
    void splashWindowIsShapedAroundItsLabel() {
        SplashWindow splash;
        splash.ShowAndPaint();
        QCOMPARE(splash.label().text(), QString("Version 1.420"));
        QVERIFY(splash.windowFlags().testFlag(Qt::FramelessWindowHint));
        QCOMPARE(splash.size(), QSize(227, 229));
        const QRegion shape = splash.mask();
        QCOMPARE(shape, SplashRegion(Picture(kSplashBitmap)));
        QCOMPARE(shape.intersected(splash.label().geometry()), QRegion(splash.label().geometry()));
        for (const QPoint corner : {QPoint(0, 0), QPoint(226, 0), QPoint(0, 228), QPoint(226, 228)})
            QVERIFY(!shape.contains(corner));
        QVERIFY(shape.contains(QPoint(113, 114)));
    }

    // Where the desktop's icon theme has the icon, the window takes the theme's; where it has
    // none (no hicolor theme installed, say), the program's own, at each size it is drawn at.
    void windowIconIsTheThemesElseTheProgramsOwn() {
        const QString id = "example.vellum.vellum";
        QTemporaryDir themes;
        QIcon::setThemeSearchPaths({themes.path()});
        QIcon::setFallbackSearchPaths({});
        QIcon::setFallbackThemeName("hicolor");
        QDir(themes.path()).mkpath("hicolor/48x48/apps");
        WriteText(themes.path() + "/hicolor/index.theme",
                  "[Icon Theme]\nName=Hicolor\nDirectories=48x48/apps\n\n"
                  "[48x48/apps]\nSize=48\nType=Fixed\n");

        QIcon::setThemeName("hicolor");
        const QIcon own = ApplicationIcon(id);
        QVERIFY(own.name().isEmpty());
        QCOMPARE(own.availableSizes(), (QList<QSize>{{48, 48}, {128, 128}, {256, 256}}));
        QCOMPARE(own.pixmap(256).toImage().size(), QSize(256, 256));

        QVERIFY(own.pixmap(48).save(themes.path() + "/hicolor/48x48/apps/" + id + ".png"));
        QIcon::setThemeName("hicolor");  // looked up afresh
        QCOMPARE(ApplicationIcon(id).name(), id);
    }
};

QTEST_MAIN(PicturesTest)
#include "test_pictures.moc"
