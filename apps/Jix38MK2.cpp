// Program entry of Jix38MK2: the EM38-MK2 on the logging line.
#include "core/core.h"

int main(int argc, char **argv) { return RunProgram(7, 1, argc, argv); }
