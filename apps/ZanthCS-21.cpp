// Program entry of ZanthCS-21: the DualEM CS-21 on the mapping line.
#include "core/core.h"

int main(int argc, char **argv) { return RunProgram(9, 0, argc, argv); }
