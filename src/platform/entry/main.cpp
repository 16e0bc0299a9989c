// The program's entry point: the framework's entry routine runs the application object.
#include "platform/framework/WinApp.h"

int main(int argc, char** argv) {
    return AfxWinMain(argc, argv);
}
