#include "app/CommandLine.h"

int main(int argc, char *argv[])
{
    return ZentMain(argc, argv);
}
