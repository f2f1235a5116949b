#include "common/Errors.h"

#include <cstring>

namespace trx {

SystemError::SystemError(int errorCode, const std::string& fileName)
    : TremolundrixError(std::strerror(errorCode), fileName)
    , code_(errorCode) {}

} // namespace trx
