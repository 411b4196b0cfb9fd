// Program entry of Jix34-3: the EM34-3 on the logging line.
#include "core/core.h"

int main(int argc, char **argv) { return RunProgram(4, 1, argc, argv); }
