// Program entry of Jix38: the EM38 on the logging line.
#include "core/core.h"

int main(int argc, char **argv) { return RunProgram(3, 1, argc, argv); }
