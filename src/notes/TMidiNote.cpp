#include "notes/TMidiNote.h"

#include "notes/TMidiNotes.h"

namespace trx {

bool TMidiNote::IsSelected() const {
    return owner_ != nullptr && owner_->Selected == ID;
}

void TMidiNote::SetSelected(bool value) {
    if (owner_ == nullptr)
        return;
    if (value)
        owner_->Selected = ID;
    else if (owner_->Selected == ID)
        owner_->Selected = std::string(TMidiNotes::kDeselected);
}

} // namespace trx
