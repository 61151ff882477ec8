// tablesmith: the export tool's desktop program. Usage: tablesmith [PACKAGE]
#include "tablesmith_app.h"

CTablesmithApp theApp;

int main(int argc, char** argv) {
    return AfxWinMain(argc, argv);
}
