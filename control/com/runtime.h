#pragma once
// Finding and creating component objects through the per-user class registry (registry.h):
// a ProgID names a class identifier, whose InprocServer32 entry names the library that holds it;
// the library is loaded once, asked for its class factory and the factory makes the object.
// Libraries stay loaded until freeUnusedLibraries() finds that one has no objects left.
//
// Also the two registration calls an installer makes: load a library and run its
// DllRegisterServer or DllUnregisterServer.
//
// Every call returns a result code; why names the cause in words when asked for (for the one line
// a host prints on standard error).
#include "control/com/com.h"

#include <QString>

namespace com {

// CO_E_CLASSSTRING when no class is registered under progId.
HResult classFromProgId(const QString& progId, Guid* clsid);

// The class factory (or other interface iid) of clsid: REGDB_E_CLASSNOTREG when the class has no
// library entry, CO_E_DLLNOTFOUND when its library does not load, CO_E_ERRORINDLL when it lacks
// DllGetClassObject, else what DllGetClassObject answers.
HResult getClassObject(const Guid& clsid, const Guid& iid, void** object, QString* why = nullptr);

// A new object of clsid through its class factory, asked for iid.
HResult createInstance(const Guid& clsid, const Guid& iid, void** object, QString* why = nullptr);

// A new object of the class registered under progId, asked for iid.
HResult createByProgId(const QString& progId, const Guid& iid, void** object, QString* why = nullptr);

// Loads the library at path and calls its DllRegisterServer / DllUnregisterServer.
HResult registerServer(const QString& libraryPath, QString* why = nullptr);
HResult unregisterServer(const QString& libraryPath, QString* why = nullptr);

// Lets go of every loaded library whose DllCanUnloadNow answers S_OK. Returns how many.
int freeUnusedLibraries();

} // namespace com
