#include "audio/OpenObserver.h"

namespace trx {

OpenObserver::~OpenObserver() = default;

} // namespace trx
