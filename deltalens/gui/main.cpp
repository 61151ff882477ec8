// deltalens: the transform viewer's desktop program.
// Usage: deltalens [PACKAGE [TRANSFORM]]
#include "deltalens_app.h"

CDeltalensApp theApp;

int main(int argc, char** argv) {
    return AfxWinMain(argc, argv);
}
