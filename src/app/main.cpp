#include "app/desktop_start.h"

int main(int argc, char* argv[])
{
    return quorvane::runDesktopProgram(argc, argv);
}
