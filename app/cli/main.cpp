#include <iostream>

#include "app/cli/CliApp.h"

int main(int argc, char** argv) { return quill::runCli(argc, argv, std::cout, std::cerr); }
