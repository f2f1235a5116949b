#include "app/ui/TremolundrixApplication.h"

int main(int argc, char** argv) {
    trx::TremolundrixApplication application(argc, argv);
    return application.Run();
}
