// Program entry of Zanth31: the EM31-MK2 on the mapping line.
#include "core/core.h"

int main(int argc, char **argv) { return RunProgram(0, 0, argc, argv); }
