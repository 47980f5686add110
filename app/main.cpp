#include "core/MainWindowHooks.h"
#include "core/SMSServerApp.h"

int main(int argc, char** argv) {
    InstallMainWindowHooks(theApp);
    return theApp.Run(argc, argv);
}
