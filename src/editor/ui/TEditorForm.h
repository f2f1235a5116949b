#pragma once

#include <QDialog>

namespace trx {

// The note editor: a piano roll of the note list with its velocity strip.
class TEditorForm : public QDialog {
    Q_OBJECT

public:
    explicit TEditorForm(QWidget* parent = nullptr);
};

} // namespace trx
