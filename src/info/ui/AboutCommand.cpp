#include "info/ui/AboutCommand.h"

#include "app/ui/MainWindowServices.h"

namespace trx {

void AboutCommand::Run() {}

} // namespace trx
