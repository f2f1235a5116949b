#include "editor/ui/EditCommand.h"

#include "app/ui/MainWindowServices.h"

namespace trx {

void EditCommand::Run() {}

} // namespace trx
