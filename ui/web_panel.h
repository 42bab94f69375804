// The web panel, at the right end of the bottom bar: the maker's logo in grey, green and red,
// stacked in one place so that exactly one shows. A left click on the logo or on the panel around
// it asks for the product page; the right button pressed on the logo asks for a version check.
#pragma once

#include <QFrame>
#include <array>

#include "net/version_check.h"

class QLabel;

namespace vellum::ui {

inline constexpr int kWebPanelWidth = 96;
inline constexpr int kWebPictureHeight = 23;

class WebPanel final : public QFrame {
    Q_OBJECT

  public:
    explicit WebPanel(QWidget* parent = nullptr);

    // Shows this logo alone, with the hint; the hidden ones keep the hints they had.
    void ShowPicture(net::LogoPicture which, const QString& hint);
    [[nodiscard]] net::LogoPicture shown() const { return shown_; }
    // The grey, green or red logo.
    [[nodiscard]] QLabel& picture(net::LogoPicture which) const;

  signals:
    void clicked();
    void pictureRightPressed();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    [[nodiscard]] bool OnPicture(QPoint at) const;

    std::array<QLabel*, 3> pictures_{};
    net::LogoPicture shown_ = net::LogoPicture::kGrey;
    bool leftPressed_ = false;
};

}  // namespace vellum::ui
