// TAbout, the borderless About box: the program's name and version, the maker and the licence, a
// picture that opens the maker's home page, and OK. Made hidden with the main window and shown
// modally.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

class QLabel;
class QPushButton;
class QTextEdit;

namespace vellum::ui {

// Opens a web address in the user's browser; the result is not looked at.
using PageOpener = std::function<void(const std::string& url)>;

// QDesktopServices::openUrl, so the desktop picks the browser.
void OpenInBrowser(const std::string& url);

class TAbout final : public QDialog {
    Q_OBJECT

  public:
    explicit TAbout(PageOpener openPage, QWidget* parent = nullptr);

    void Image1Click();

    [[nodiscard]] QTextEdit& text() const { return *RichEdit1; }
    [[nodiscard]] QLabel& link() const { return *Image1; }
    [[nodiscard]] QPushButton& okButton() const { return *BitBtn1; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void FormCreate();
    void PlacePictures();
    void FitText();

    PageOpener openPage_;
    QLabel* Image2;
    QLabel* Image3;
    QLabel* Image4;
    QLabel* Image1;
    QTextEdit* RichEdit1;
    QPushButton* BitBtn1;
};

}  // namespace vellum::ui
