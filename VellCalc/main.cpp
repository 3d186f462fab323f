#include "Launch.h"

int main(int argc, char** argv) {
    return vell::runVell(argc, argv);
}
