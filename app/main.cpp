#include "app/zent.h"

int main(int argc, char *argv[])
{
    ZentApp();
    return AfxWinMain(argc, argv);
}
