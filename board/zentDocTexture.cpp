#include "zentDoc.h"

void CZentDoc::OpenTextureDialog() {}
