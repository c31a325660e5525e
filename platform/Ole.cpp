#include "Ole.h"

namespace {
bool g_oleInitialized = false;
}

BOOL AfxOleInit()
{
    g_oleInitialized = true;
    return TRUE;
}
