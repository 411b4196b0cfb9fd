// Program entry of Jix31: the EM31-MK2 on the logging line.
#include "core/core.h"

int main(int argc, char **argv) { return RunProgram(0, 1, argc, argv); }
