// Module-wide state of the component DLL shared by its parts: the module handle, the lock count
// that decides whether the DLL may unload, the type information cache used by late-bound calls
// and the creation of solver objects.
#pragma once

// (windows.h brings the automation declarations; it must come first.)
#include <windows.h>

#include "ringmarch_h.h"

namespace ringmarch::server {

HINSTANCE moduleHandle();

// Reasons to stay loaded: live objects, server locks, extra class object references.
void lockModule();
void unlockModule();
LONG moduleLockCount();

// The IRingmarch type information of the registered type library, loaded once and kept until
// the DLL unloads. On success *typeInfo is borrowed (no reference added).
HRESULT cachedTypeInfo(LCID locale, ITypeInfo** typeInfo);

// Looks a member name up in the cache filled with the type information: exact length and
// characters. False when it is not there.
bool cachedDispatchId(const OLECHAR* name, DISPID* id);

// Creates a solver object, inside an aggregate when outer is given, and asks it for iid.
HRESULT createRingmarchObject(IUnknown* outer, REFIID iid, void** object);

// Self-registration (registration.cpp).
HRESULT registerServer();
HRESULT unregisterServer();

}  // namespace ringmarch::server
