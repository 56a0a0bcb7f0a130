#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    int status = cli::Run(args, std::cout, std::cerr);
    std::cout.flush();
    return status;
}
