#pragma once
// The library as a component server: its two class factories (the control and its property page),
// the count of live objects and server locks that decides whether it may be unloaded, and its
// registration in the per-user class registry (control/com/registry.h).
//
// Registration writes the type library entry first (LIBID, version 1.0, help file, the two
// interfaces), then the classes: the control with its ProgID, library path and the build version of
// its interfaces (control/com/registry.h), apartment threading, toolbox bitmap 1, misc status
// 0x20591, type library and version, and the property page with its library path and build version. A failure
// in the first step gives SELFREG_E_TYPELIB and skips the second; a failure in the second gives
// SELFREG_E_CLASS. Unregistration removes the same entries in the same order; nothing is rolled
// back.
#include "control/com/com.h"

#include <QString>

namespace brindok::module {

inline constexpr uint32_t kMiscStatus = 0x20591;

void objectCreated();
void objectDestroyed();
// Objects alive plus server locks; the library may be unloaded when it is 0.
int usage();

// A class factory of this library (iid: usually IID_IClassFactory); CLASS_E_CLASSNOTAVAILABLE
// for a class it does not have.
com::HResult getClassObject(const com::Guid& clsid, const com::Guid& iid, void** object);

// modulePath: the library file the registry entries name.
com::HResult registerServer(const QString& modulePath);
com::HResult unregisterServer();

} // namespace brindok::module
