// SplashWindow, the borderless window on screen while the program starts: the splash bitmap
// with its pure white areas cut out of the window's shape, and the version written on it.
#pragma once

#include <QRegion>
#include <QWidget>
#include <chrono>

class QImage;
class QLabel;

namespace vellum::ui {

inline constexpr int kSplashWidth = 227;
inline constexpr int kSplashHeight = 229;
// The program keeps the splash up at least this long after it appeared.
inline constexpr std::chrono::milliseconds kSplashHold{3000};

// The window shape for a picture placed at topLeft: its rectangle less every horizontal run
// of pure white pixels, RGB(255,255,255), row by row.
[[nodiscard]] QRegion SplashRegion(const QImage& picture, QPoint topLeft = {});

class SplashWindow final : public QWidget {
    Q_OBJECT

  public:
    explicit SplashWindow(QWidget* parent = nullptr);

    // Shows the window, centred, and paints it as far as the window system already lets us;
    // the hold counts from here.
    void ShowAndPaint();
    // Returns once hold has passed since ShowAndPaint. Meanwhile the splash (and any window)
    // may repaint, but no keyboard or mouse input is delivered to anything.
    void HoldFor(std::chrono::milliseconds hold);

    [[nodiscard]] QLabel& label() const { return *versionLabel_; }
    [[nodiscard]] QLabel& picture() const { return *picture_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void SetUp();

    QLabel* picture_;
    QLabel* versionLabel_;
    std::chrono::steady_clock::time_point shownAt_{};
};

}  // namespace vellum::ui
