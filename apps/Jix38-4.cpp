// Program entry of Jix38-4: the EM38-4 on the logging line.
#include "core/core.h"

int main(int argc, char **argv) { return RunProgram(8, 1, argc, argv); }
