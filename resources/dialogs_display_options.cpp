// Dialog templates of the map display options (DISPLAYOPTIONS31*) and the scale and option dialogs.
#include "resources/resources.h"

void RegisterDisplayOptionsDialogTemplates()
{
}
