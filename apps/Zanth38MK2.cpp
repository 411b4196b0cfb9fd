// Program entry of Zanth38MK2: the EM38-MK2 on the mapping line.
#include "core/core.h"

int main(int argc, char **argv) { return RunProgram(7, 0, argc, argv); }
