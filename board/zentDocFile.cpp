#include "zentDoc.h"

#include "platform/Archive.h"

void CZentDoc::Serialize(CArchive &ar) { (void)ar; }
