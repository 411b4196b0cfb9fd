// Program entry of JixCS-21: the DualEM CS-21 on the logging line.
#include "core/core.h"

int main(int argc, char **argv) { return RunProgram(9, 1, argc, argv); }
