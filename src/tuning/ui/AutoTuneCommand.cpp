#include "tuning/ui/AutoTuneCommand.h"

#include "app/ui/MainWindowServices.h"

namespace trx {

void AutoTuneCommand::Run() {}

} // namespace trx
