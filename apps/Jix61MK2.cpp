// Program entry of Jix61MK2: the EM61-MK2 on the logging line.
#include "core/core.h"

int main(int argc, char **argv) { return RunProgram(-1, 1, argc, argv); }
