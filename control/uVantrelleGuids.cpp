// The identifiers of the type library, its interfaces and the control class, defined once.
#include <windows.h>
#include <initguid.h>

#include "resources/VantrelleTypeLib.h"
