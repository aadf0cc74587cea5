// Quorvix: a desktop viewer for large text logs.
#include "app/QuorvixApp.h"

int main(int argc, char** argv) {
    return RunQuorvix(argc, argv);
}
