#pragma once

#include "audio/TCodecDriver.h"

#include <QDialog>

#include <memory>
#include <vector>

class QCheckBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QShowEvent;

namespace trx {

class THemisphereButton;

// The "Installed Codecs" dialog: the converters by short name, the details
// of the selected one and every format it offers.
class TCodecForm : public QDialog {
    Q_OBJECT

public:
    using DriverList = std::vector<std::unique_ptr<TCodecDriver>>;

    // drivers is the program's codec list (CodecList::Drivers()); it must
    // outlive the dialog. The dialog keeps only list indexes, so the list may
    // be rebuilt while the dialog is closed.
    explicit TCodecForm(const DriverList& drivers, QWidget* parent = nullptr);

    // The texts of the last enumeration, for the top panel.
    void SetEnumerationTexts(const QString& versionText, const QString& countText);

    // Refills the list box from the driver list, keeping the selected row
    // when it still exists (the first otherwise), and shows that driver.
    void FormShow();
    // Shows the details and formats of the selected driver.
    void ListBox1Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    [[nodiscard]] QLabel* AddLabel(QWidget* parent, const char* name, const QString& text,
                                   const QRect& geometry);
    [[nodiscard]] QCheckBox* AddCheckBox(const char* name, const QString& caption, int top);

    const DriverList& drivers_;

    QLabel* ACMVerLbl = nullptr;
    QLabel* NumCodecsLbl = nullptr;
    THemisphereButton* CloseBtn = nullptr;
    QListWidget* ListBox1 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QLabel* ShortLbl = nullptr;
    QLabel* IDLbl = nullptr;
    QLabel* LongLbl = nullptr;
    QLabel* CopyLbl = nullptr;
    QLabel* FeatLbl = nullptr;
    QLabel* LicLbl = nullptr;
    QLabel* NumFoLbl = nullptr;
    QLabel* NumFiLbl = nullptr;
    QLabel* ManIDLbl = nullptr;
    QLabel* ProdIDLbl = nullptr;
    QLabel* VerLbl = nullptr;
    QLabel* verACMLbl = nullptr;
    QCheckBox* AsyncCB = nullptr;
    QCheckBox* DifferentTagsCB = nullptr;
    QCheckBox* SameTagCB = nullptr;
    QCheckBox* FilteringCB = nullptr;
};

} // namespace trx
