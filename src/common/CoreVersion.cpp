#include "BuildVersion.h"

namespace trx {

// The program's own version, in dotted four-number form.
const char* ProgramVersion() {
    return TREMOLUNDRIX_VERSION;
}

} // namespace trx
