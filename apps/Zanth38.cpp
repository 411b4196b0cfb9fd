// Program entry of Zanth38: the EM38 on the mapping line.
#include "core/core.h"

int main(int argc, char **argv) { return RunProgram(3, 0, argc, argv); }
