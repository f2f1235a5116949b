#include "common/Errors.h"

#include <cstring>

namespace trx {

SystemError::SystemError(int errorCode, const std::string& fileName)
    : TremolundrixError(std::strerror(errorCode), fileName)
    , code_(errorCode) {}

std::string OccurredIn(std::string_view message, std::string_view routine) {
    std::string text(message);
    text += " occured in ";
    text += routine;
    return text;
}

} // namespace trx
