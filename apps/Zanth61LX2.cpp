// Program entry of Zanth61LX2: the EM61-LX2 on the mapping line.
#include "core/core.h"

int main(int argc, char **argv) { return RunProgram(-2, 0, argc, argv); }
