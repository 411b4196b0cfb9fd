// Dialog templates of the profile display setup (DISPLAYSETUP*).
#include "resources/resources.h"

void RegisterDisplaySetupDialogTemplates()
{
}
