// Program entry of Zanth61MK2: the EM61-MK2 on the mapping line.
#include "core/core.h"

int main(int argc, char **argv) { return RunProgram(-1, 0, argc, argv); }
