#include "editor/ui/TEditorForm.h"

namespace trx {

TEditorForm::TEditorForm(QWidget* parent)
    : QDialog(parent) {}

} // namespace trx
