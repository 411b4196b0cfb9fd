// Program entry of Jix601: the Grad601 on the logging line.
#include "core/core.h"

int main(int argc, char **argv) { return RunProgram(-4, 1, argc, argv); }
