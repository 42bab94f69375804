// The window's identity and web: the installation identifier at start-up, the version check's
// verdict in the picture, its hint and the status line (against a loopback server of the
// test's own), clicks on the pictures, the About box, and the splash during start-up.
#include <QApplication>
#include <QFontMetrics>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <algorithm>
#include <cctype>

#include "net/install_id.h"
#include "net/version_check.h"
#include "platform/ini.h"
#include "program_identity.h"
#include "tests/ui/window_fixture.h"
#include "ui/about_box.h"
#include "ui/web_panel.h"

using namespace std::chrono_literals;
using vellum::kProgramVersion;
using vellum::net::LogoPicture;
using vellum::test::LoopbackHttpServer;
using vellum::test::QueryValue;
using vellum::test::RefusingPort;
using vellum::test::TempDir;
using vellum::test::Window;

Q_DECLARE_METATYPE(LogoPicture)

namespace {

// Points the version check at host for one test, then back at nowhere.
class WebHost {
  public:
    explicit WebHost(const std::string& host) {
        vellum::test::KeepVersionCheckOffTheNetwork();
        previous_ = std::getenv("VELLUM_WEB_HOST");
        setenv("VELLUM_WEB_HOST", host.c_str(), 1);
    }
    ~WebHost() { setenv("VELLUM_WEB_HOST", previous_.c_str(), 1); }
    WebHost(const WebHost&) = delete;
    WebHost& operator=(const WebHost&) = delete;

  private:
    std::string previous_;
};

std::string Reply(const std::string& program, const std::string& latest) {
    return "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n_PROGRAM_" + program +
           "_\r\n_LATEST VERSION_" + latest + "_\r\n_NEWS_All fine_\r\n";
}

QString Hint(const std::string& message) {
    return QString::fromStdString(vellum::net::PictureHint(message));
}

// Which colouring a logo shows, read from the middle of its emblem.
QString Tint(const QLabel& picture) {
    // Inside the logo's disc, wherever the pixmap's ratio puts it.
    const QPixmap pixmap = picture.pixmap();
    const QColor c =
        pixmap.toImage().pixelColor((QPointF(5, 11) * pixmap.devicePixelRatio()).toPoint());
    if (c.red() > c.green() + 80 && c.red() > c.blue() + 80) return "red";
    if (c.green() > c.red() + 40 && c.green() > c.blue() + 40) return "green";
    if (qAbs(c.red() - c.green()) < 12 && qAbs(c.green() - c.blue()) < 12) return "grey";
    return "other";
}

bool LooksLikeAnInstallId(const std::string& id) {
    const auto digits = id.size() - std::min<std::size_t>(id.size(), 32);
    auto isHex = [](char c) { return std::isdigit(uchar(c)) || (c >= 'a' && c <= 'f'); };
    return digits >= 1 && digits <= 19 &&
           std::all_of(id.begin(), id.begin() + long(digits),
                       [](char c) { return std::isdigit(uchar(c)); }) &&
           std::all_of(id.begin() + long(digits), id.end(), isHex);
}

QPoint BarePanelPoint(vellum::ui::WebPanel& panel) {
    return {panel.width() / 2, 0};  // above the 23-pixel pictures in the 25-pixel bar
}

void RightPress(QWidget& on, QPoint at = {}) {
    QTest::mousePress(&on, Qt::RightButton, {}, at.isNull() ? on.rect().center() : at);
    QTest::mouseRelease(&on, Qt::RightButton, {}, at.isNull() ? on.rect().center() : at);
}

}  // namespace

class IdentityWindowTest final : public QObject {
    Q_OBJECT

  private slots:
    void startUpCheckShowsTheVerdict_data() {
        QTest::addColumn<bool>("online");
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("latest");
        QTest::addColumn<LogoPicture>("picture");
        QTest::addColumn<QString>("tint");
        QTest::addColumn<QString>("message");
        // Versions compare as text: ours with a digit more is newer.
        const QString ours = QString::fromLatin1(kProgramVersion.data(), kProgramVersion.size());
        QTest::newRow("latest") << true << "Vellum" << ours << LogoPicture::kGreen << "green"
                                << "This is the latest version";
        QTest::newRow("newer exists")
            << true << "Vellum" << ours + "1" << LogoPicture::kRed << "red"
            << "This is not the latest version. click here to upgrade to version " + ours + "1";
        QTest::newRow("preview")
            << true << "Vellum"
            << "1.0" << LogoPicture::kGreen << "green"
            << "This is an preview version as it is newet than the current officially released "
               "version";
        QTest::newRow("another program") << true << "vellum" << ours << LogoPicture::kGrey << "grey"
                                         << "Cannot determine latest version";
        QTest::newRow("no server") << false << ""
                                   << "" << LogoPicture::kGrey << "grey"
                                   << "Cannot connect to server to check version information";
    }
    void startUpCheckShowsTheVerdict() {
        QFETCH(bool, online);
        QFETCH(QString, program);
        QFETCH(QString, latest);
        QFETCH(LogoPicture, picture);
        QFETCH(QString, tint);
        QFETCH(QString, message);
        LoopbackHttpServer server(Reply(program.toStdString(), latest.toStdString()));
        RefusingPort nowhere;
        WebHost host(online ? server.Host() : nowhere.Host());
        Window w;

        vellum::ui::WebPanel& panel = w.main->webPanel();
        QCOMPARE(panel.shown(), picture);
        for (const LogoPicture each : {LogoPicture::kGrey, LogoPicture::kGreen, LogoPicture::kRed})
            QCOMPARE(panel.picture(each).isVisibleTo(&panel), each == picture);
        QCOMPARE(Tint(panel.picture(picture)), tint);
        QCOMPARE(panel.picture(picture).toolTip(), Hint(message.toStdString()));
        const QLabel& status = w.main->statusPanel();
        QCOMPARE(status.text(),
                 online ? QString("All fine") : QString("Checking for latest version"));
        QVERIFY(status.font().bold());
        QCOMPARE(status.palette().color(QPalette::WindowText),
                 online ? QColor(Qt::blue) : QColor(Qt::red));
        QCOMPARE(w.ctx().state.MessageTicks, online ? 15 : 5);
        if (!online) return;
        // The one request carries the identifier the settings file holds.
        const std::vector<std::string> requests = server.Requests();
        QCOMPARE(requests.size(), std::size_t{1});
        const std::string stored =
            vellum::platform::IniRead(w.settingsDir / "vellum.INI", vellum::net::kSettingsSection,
                                      vellum::net::kInstallIdKey);
        QVERIFY(LooksLikeAnInstallId(stored));
        QCOMPARE(QueryValue(requests[0], "uniqueid"), stored);
        QCOMPARE(w.main->installId(), stored);
    }

    void rightPressChecksAgainAndLeftClickOpensTheProductPage() {
        LoopbackHttpServer server(Reply("Vellum", std::string(kProgramVersion) + "1"));
        WebHost host(server.Host());
        Window w({"-noautocheck"});
        vellum::ui::WebPanel& panel = w.main->webPanel();
        QCOMPARE(panel.picture(LogoPicture::kGrey).toolTip(),
                 QString::fromLatin1(vellum::net::kClickHint));
        QVERIFY(server.Requests().empty());

        RightPress(panel, BarePanelPoint(panel));  // not on a picture: nothing
        QVERIFY(server.Requests().empty());
        RightPress(panel.picture(LogoPicture::kGrey));
        QCOMPARE(panel.shown(), LogoPicture::kRed);
        server.SetReply(Reply("Vellum", std::string(kProgramVersion)));
        RightPress(panel.picture(LogoPicture::kRed));
        QCOMPARE(panel.shown(), LogoPicture::kGreen);
        const std::vector<std::string> requests = server.Requests();
        QCOMPARE(requests.size(), std::size_t{2});
        for (const std::string& request : requests)
            QCOMPARE(QueryValue(request, "uniqueid"), w.main->installId());

        const std::string product = "http://" + server.Host() + "/vellum.php";
        QTest::mouseClick(&panel.picture(LogoPicture::kGreen), Qt::LeftButton);
        QTest::mouseClick(&panel, Qt::LeftButton, {}, BarePanelPoint(panel));
        QCOMPARE(w.opened, (std::vector<std::string>{product, product}));
        QCOMPARE(server.Requests().size(), std::size_t{2});
    }

    void identifierIsMadeOnceAndKept() {
        TempDir dir;
        const std::string settings = dir / "vellum.INI";
        std::string first;
        {
            Window w({"-noautocheck"}, {}, settings);
            first = w.main->installId();
            QVERIFY(w.dialogs->errors.empty());
        }
        QVERIFY(LooksLikeAnInstallId(first));
        const std::string written = vellum::test::ReadAll(settings);
        Window again({"-noautocheck"}, {}, settings);
        QCOMPARE(again.main->installId(), first);
        QCOMPARE(vellum::test::ReadAll(settings), written);
    }

    // The id stays in memory: this run's later checks still send it.
    void unwritableSettingsAreReportedAndSkipTheStartUpCheck() {
        LoopbackHttpServer server(Reply("Vellum", std::string(kProgramVersion)));
        WebHost host(server.Host());
        TempDir dir;
        const std::string settings = dir / "no such folder/vellum.INI";
        Window w({}, {}, settings);
        QCOMPARE(
            w.dialogs->errors,
            std::vector<std::string>{"Unable to write to " + settings +
                                     "\nNo such file or directory: the installation identifier"
                                     " is not kept, and the version check is skipped this time."});
        QVERIFY(server.Requests().empty());
        QVERIFY(LooksLikeAnInstallId(w.main->installId()));
        RightPress(w.main->webPanel().picture(LogoPicture::kGrey));
        QCOMPARE(server.Requests().size(), std::size_t{1});
        QCOMPARE(QueryValue(server.Requests()[0], "uniqueid"), w.main->installId());
    }

    void aboutBoxNamesTheProgramTheMakerAndTheLicenceAndOpensTheHomePage() {
        RefusingPort nowhere;
        WebHost host(nowhere.Host());
        Window w({"-noautocheck"});
        vellum::ui::AboutBox& about = w.main->aboutBox();
        for (int time = 0; time < 2; ++time) {  // shown as often as asked for
            QStringList lines;
            int widest = 0;
            bool modal = false;
            QTimer::singleShot(0, [&] {
                modal = QApplication::activeModalWidget() == &about;
                lines = about.text().toPlainText().split('\n');
                const QFontMetrics metrics(about.text().font());
                for (const QString& line : lines)
                    widest = std::max(widest, metrics.horizontalAdvance(line));
                QTest::mouseClick(&about.link(), Qt::LeftButton);
                QTest::mouseClick(&about.okButton(), Qt::LeftButton);
            });
            w.Menu("About");
            QVERIFY(modal);
            QVERIFY(!about.isVisible());
            QCOMPARE(lines, (QStringList{"Vellum v1.420", "\u00a9 2026 Vellum developers, MIT",
                                         "See readme.txt for details"}));
            // Drawn closer or smaller as need be, every line whole within the text's place.
            QVERIFY2(widest <= about.text().width(), qPrintable(QString::number(widest)));
        }
        QVERIFY(about.windowFlags().testFlag(Qt::FramelessWindowHint));
        const std::string home = "http://" + nowhere.Host() + "/";
        QCOMPARE(w.opened, (std::vector<std::string>{home, home}));
    }

    // Every picture of the window and the About box comes at the screen's ratio (this test also
    // runs on screens scaled by 1.5 and 2), drawn for it rather than stretched by the painter.
    void picturesComeAtTheScreensRatio() {
        Window w({"-noautocheck"});
        int pictures = 0;
        for (const QLabel* label : w.main->findChildren<QLabel*>()) {
            const QPixmap pixmap = label->pixmap();
            if (pixmap.isNull()) continue;
            ++pictures;
            const qreal ratio = label->devicePixelRatioF();
            QCOMPARE(pixmap.devicePixelRatio(), ratio);
            const QSize logical = pixmap.deviceIndependentSize().toSize();
            QCOMPARE(pixmap.size(), (QSizeF(logical) * ratio).toSize());
        }
        QCOMPARE(pictures, 8);  // the limit picture, three logos; the About box's four
    }

    // The splash is up while the window is made, lets timers (and paints) through, and is gone
    // before the window is shown.
    void splashHoldsStartUpForItsTime() {
        TempDir dir;
        vellum::test::FakeTrash trash;
        vellum::test::KeepVersionCheckOffTheNetwork();
        vellum::ui::StartupSettings startup;
        startup.splashHold = 400ms;
        startup.settingsPath = dir / "vellum.INI";
        QString label;
        QTimer::singleShot(100, [&] {
            for (QWidget* window : QApplication::topLevelWidgets())
                if (auto* splash = qobject_cast<vellum::ui::SplashWindow*>(window);
                    splash != nullptr && splash->isVisible())
                    label = splash->label().text();
        });
        const auto start = std::chrono::steady_clock::now();
        vellum::ui::MainWindow main(
            {"-noautocheck"},
            [](QWidget*) { return std::make_unique<vellum::test::ScriptedDialogs>(); }, trash, {},
            startup);
        QVERIFY(std::chrono::steady_clock::now() - start >= 400ms);
        QCOMPARE(label, QString("Version 1.420"));
        for (QWidget* window : QApplication::topLevelWidgets())
            QVERIFY(qobject_cast<vellum::ui::SplashWindow*>(window) == nullptr);
    }
};

QTEST_MAIN(IdentityWindowTest)
#include "test_identity_window.moc"
