// Program entry of Zanth38-4: the EM38-4 on the mapping line.
#include "core/core.h"

int main(int argc, char **argv) { return RunProgram(8, 0, argc, argv); }
