#include <iostream>
#include <string>
#include <vector>

#include "cli/CtlApp.h"

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    return corv::cli::runCtl(args, std::cout, std::cerr);
}
