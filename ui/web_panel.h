// Panel2, the place at the right end of the bottom bar where the web pictures sit. Until the
// pictures are there it is an empty 96 x 23 area that carries their hint and reports clicks.
#pragma once

#include <QFrame>
#include <QPixmap>

class QLabel;

namespace vellum::ui {

inline constexpr int kWebPanelWidth = 96;
inline constexpr int kWebPictureHeight = 23;
inline constexpr char kWebPictureHint[] =
    "Click here to visit web site, Right Click to check latest version";

class WebPanel final : public QFrame {
    Q_OBJECT

  public:
    explicit WebPanel(QWidget* parent = nullptr);

    // The picture on show (the grey, green or red logo) and its hint.
    void SetPicture(const QPixmap& picture);
    void SetHint(const QString& hint);

  signals:
    void leftClicked();
    void rightClicked();

  protected:
    void mousePressEvent(QMouseEvent* event) override;

  private:
    QLabel* picture_;
};

}  // namespace vellum::ui
