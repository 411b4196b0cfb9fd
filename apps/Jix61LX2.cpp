// Program entry of Jix61LX2: the EM61-LX2 on the logging line.
#include "core/core.h"

int main(int argc, char **argv) { return RunProgram(-2, 1, argc, argv); }
