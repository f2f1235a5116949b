#include "app/ui/TremolundrixApplication.h"
#include "common/TempFileCleanup.h"

int main(int argc, char** argv) {
    // A save interrupted by the end of the session leaves no temporary file.
    trx::InstallTempFileCleanup();
    trx::TremolundrixApplication application(argc, argv);
    return application.Run();
}
