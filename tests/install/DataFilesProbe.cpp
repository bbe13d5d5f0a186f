// Prints, for each argument "<program>/<file>", the full path where a program run from this
// executable's folder finds that data file, and for each argument "<program>" where it finds
// that program to start; one a line, an empty line when it finds none.

#include <iostream>
#include <string>

#include "platform/DataFiles.h"
#include "platform/QtServices.h"

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string request = argv[i];
        const auto slash = request.find('/');
        if (slash == std::string::npos)
            std::cout << platform::ShellLauncher::locateProgram(request) << '\n';
        else
            std::cout << platform::findDataFile(request.substr(0, slash), request.substr(slash + 1))
                      << '\n';
    }
    return 0;
}
