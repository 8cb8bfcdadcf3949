#include <windows.h>

#include "Association.h"

int RemoveAssociation()
{
    return 1;
}
