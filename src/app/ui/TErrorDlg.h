#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace trx {

// The dialog that reports an unexpected error with the routine it happened
// in. One instance, shown modally; OK is the only way on.
class TErrorDlg : public QDialog {
    Q_OBJECT

public:
    explicit TErrorDlg(QWidget* parent = nullptr);

    void SetMessage(const QString& text);
    [[nodiscard]] QString Message() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* ErrLabel;
    QPushButton* OKBtn;
};

} // namespace trx
