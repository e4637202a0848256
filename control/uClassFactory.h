// The class factory of the control, served by DllGetClassObject: it creates one control object
// (TVantrelleControl) per CreateInstance. Live objects and server locks keep the DLL loaded.
#pragma once
#include <windows.h>
#include <unknwn.h>

namespace vt {

// The factory of the control class (one per loaded DLL; its references do not count).
IClassFactory* ControlClassFactory();

// Counts a live object or a server lock (true) or releases one (false).
void LockModule(bool lock);
// True when no object lives and no lock is held: the DLL may be unloaded.
bool CanUnloadModule();

}  // namespace vt
