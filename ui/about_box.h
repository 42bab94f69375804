// AboutBox, the borderless About box: the program's name and version, the maker and the licence, a
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

class AboutBox final : public QDialog {
    Q_OBJECT

  public:
    explicit AboutBox(PageOpener openPage, QWidget* parent = nullptr);

    void OpenHomePage();

    [[nodiscard]] QTextEdit& text() const { return *text_; }
    [[nodiscard]] QLabel& link() const { return *linkPicture_; }
    [[nodiscard]] QPushButton& okButton() const { return *okButton_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void SetUp();
    void PlacePictures();
    void FitText();

    PageOpener openPage_;
    QLabel* background_;
    QLabel* linkPicture_;
    QTextEdit* text_;
    QPushButton* okButton_;
};

}  // namespace vellum::ui
