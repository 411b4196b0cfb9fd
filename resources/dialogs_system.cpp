// Dialog templates of System Setup (SYSTEM*) and the GPS input and mask dialogs (GPSINPUT*, GPSMASK).
#include "resources/resources.h"

void RegisterSystemDialogTemplates()
{
}
