// Dialog templates of the background files: BACKGROUNDFILELOAD, BACKGROUNDFILELOADZN and BACKGROUNDFILEREMOVE.
#include "resources/resources.h"

void RegisterBackgroundDialogTemplates()
{
}
