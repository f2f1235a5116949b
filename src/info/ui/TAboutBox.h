#pragma once

#include <QDialog>
#include <QString>

class QFrame;
class QLabel;

namespace trx {

class THemisphereButton;
class TLumoraURLLabel;

// The fixed "Tremolundrix" box of Help > About: the artwork, the program's
// version, an authorship line, OK and the link to the home page.
class TAboutBox : public QDialog {
    Q_OBJECT

public:
    // programVersion: the running program's version text; homePageUrl: the
    // version check's home page, empty for the built-in one.
    explicit TAboutBox(const QString& programVersion, const QString& homePageUrl = {},
                       QWidget* parent = nullptr);

    // Takes a home page the version check found later; an empty one leaves
    // the link as it is.
    void SetHomePageUrl(const QString& homePageUrl);

    // "Version " and the version, with " (beta)" when it starts with "0".
    [[nodiscard]] static QString VersionCaption(const QString& programVersion);

private:
    void FormCreate(const QString& programVersion, const QString& homePageUrl);
    void HemisphereButton1Click();

    QLabel* BackgroundImage = nullptr;
    QLabel* Version = nullptr;
    QLabel* AuthorLbl = nullptr;
    THemisphereButton* HemisphereButton1 = nullptr;
    QFrame* Panel2 = nullptr;
    TLumoraURLLabel* HomePageLink = nullptr;
};

} // namespace trx
