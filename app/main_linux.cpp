// Entry point outside Windows: the program is the same WinMain on every
// platform. Command-line arguments are ignored.
#include "app/measure_window.h"

int main()
{
    return WinMain(nullptr, nullptr, nullptr, 1);
}
