#include "info/VersionResource.h"

#include "BuildVersion.h"

namespace trx {

VersionResource BuildVersionResource() {
    return {"Tremolundrix",
            "Tremolundrix - Wave to Midi conversion",
            TREMOLUNDRIX_VERSION,
            "tremolundrix",
            "Copyright the Tremolundrix developers",
            "tremolundrix",
            "Tremolundrix",
            TREMOLUNDRIX_VERSION};
}

} // namespace trx
