// TForm2: the About window. Shows the maker's logo, the program's file version,
// the maker's web address (which opens in the default browser on a click), the
// Qt version and the licence; OK, Enter or Escape close it. Over a main window
// it opens centred on it.
// It frees itself when it closes, so every "About" shows a fresh window:
//
//     auto* about = new TForm2(this);  // owned by the main window
//     about->exec();                   // modal; deleted after it closed
#pragma once

#include <QDialog>
#include <QPixmap>
#include <QString>
#include <QUrl>

#include <cstdint>
#include <functional>

class QLabel;
class QPushButton;

// FormatFileVersion returns the four parts of a file version as
// "major.minor.patch.build", each in decimal without leading zeros.
QString FormatFileVersion(std::uint16_t major, std::uint16_t minor, std::uint16_t patch, std::uint16_t build);

// FileVersionText returns the file version of this build (the project version
// compiled in), or "0.0.0.0" when the build carries none.
QString FileVersionText();

// DrawMakerLogo paints the maker's logo on a transparent picture of `size`.
QPixmap DrawMakerLogo(QSize size);

// The licence of the program, shown in the About window.
inline constexpr const char* kLicenceLine = "MIT License. Copyright (c) 2026 Hollbrae.";

// The maker's web site, shown in the About window.
inline constexpr const char* kMakerWebsite = "https://www.hollbrae.example/";

class TForm2 : public QDialog {
    Q_OBJECT

public:
    // Opens a web address; the result is not examined.
    using TUrlOpener = std::function<void(const QUrl&)>;

    explicit TForm2(QWidget* parent = nullptr);

    // Replaces how Label4Click opens the address (tests use this so that no
    // browser starts) and returns the previous opener. An empty opener means
    // the system's default handler.
    static TUrlOpener SetUrlOpener(TUrlOpener opener);

    void FormCreate();
    void FormClose();
    void Label4Click();

    QLabel* Image1 = nullptr;
    QLabel* Label1 = nullptr;  // "Version"
    QLabel* Label2 = nullptr;  // the file version
    QLabel* Label3 = nullptr;  // "Website"
    QLabel* Label4 = nullptr;  // the address, clickable
    QLabel* Label5 = nullptr;  // "Qt"
    QLabel* Label6 = nullptr;  // the Qt version the program runs with
    QLabel* Label7 = nullptr;  // the licence line
    QPushButton* OkButton = nullptr;

public slots:
    void done(int result) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* AddLabel(const QString& text, int left, int top);
};
