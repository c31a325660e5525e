// Object linking services the program uses: initialisation, drag and drop of text, picture decoding.
#pragma once

#include "WinTypes.h"

// Initialises the services for the user-interface thread; TRUE on success.
BOOL AfxOleInit();
