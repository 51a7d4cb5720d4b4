// The process entry point for programs written with WinMain: the command line
// is passed on as one string, the exit status is WinMain's result.
#include "platform/desktop.h"

#include <string>

int main(int argc, char **argv)
{
    std::string commandLine;
    for (int i = 1; i < argc; i++) {
        if (i > 1)
            commandLine += ' ';
        commandLine += argv[i];
    }
    return WinMain(GetModuleHandleA(nullptr), nullptr, &commandLine[0], SW_SHOWDEFAULT);
}
