// MainWindow's face to the world: the splash at start-up, the installation identifier and the
// version check, the web panel's pictures and the About box.
#include <QString>

#include "filelist/status_line.h"
#include "net/install_id.h"
#include "net/version_check.h"
#include "net/web_host.h"
#include "ui/about_box.h"
#include "ui/main_window.h"
#include "ui/splash_window.h"
#include "ui/web_panel.h"

namespace vellum::ui {

std::unique_ptr<SplashWindow> MainWindow::ShowSplash() {
    auto splash = std::make_unique<SplashWindow>();
    splash->ShowAndPaint();
    return splash;
}

void MainWindow::StartupIdentityAndCheck() {
    net::InstallIdOutcome loaded = net::LoadInstallId(startup_.settingsPath);
    // Kept in memory even when it could not be stored, so a later right click still sends it.
    installId_ = std::move(loaded.id);
    if (!loaded.writeError.empty()) {
        // The box comes at every start while the file cannot be stored, so it says why and
        // what that costs.
        dialogs_->ShowError(net::WriteFailureMessage(loaded, !ctx_.state.NoAutoCheck));
        return;  // no start-up check on this run
    }
    if (!ctx_.state.NoAutoCheck) CheckLatestVersion();
}

void MainWindow::CheckLatestVersion() {
    PostStatusMessage(ctx_, net::kCheckingMessage, "Bold", "Red", net::kCheckingTicks);
    ShowStatus();
    const net::VersionCheckOutcome outcome = net::CheckLatestVersion(installId_);
    // After a failed exchange the line keeps "Checking for latest version" until it expires.
    if (outcome.exchanged) {
        PostStatusMessage(ctx_, outcome.news, "Bold", "Blue", net::kNewsTicks);
        ShowStatus();
    }
    webPanel_->ShowPicture(outcome.verdict.picture,
                           QString::fromStdString(net::PictureHint(outcome.verdict.message)));
}

void MainWindow::OpenProductPage() {
    startup_.openPage(net::ProductPageUrl());
}

void MainWindow::WebPanelClicked() {
    OpenProductPage();
}

void MainWindow::WebPictureRightClick() {
    CheckLatestVersion();
}

void MainWindow::ShowAbout() {
    aboutBox_->exec();
}

}  // namespace vellum::ui
