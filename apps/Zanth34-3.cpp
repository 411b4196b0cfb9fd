// Program entry of Zanth34-3: the EM34-3 on the mapping line.
#include "core/core.h"

int main(int argc, char **argv) { return RunProgram(4, 0, argc, argv); }
