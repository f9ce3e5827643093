#include "cli/Commands.h"

int main(int argc, char** argv) { return lumbra::RunLumbra(argc, argv); }
