// Program entry of Zanth601: the Grad601 on the mapping line.
#include "core/core.h"

int main(int argc, char **argv) { return RunProgram(-4, 0, argc, argv); }
