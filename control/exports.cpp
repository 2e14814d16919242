// The four exports of libbrindok.so, the only symbols the library shows its hosts.
#include "control/com/com.h"
#include "control/module.h"

#include <QFileInfo>
#include <QString>
#include <dlfcn.h>

#define BRINDOK_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// The file this library was loaded from, which the registry entries name.
QString modulePath() {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&modulePath), &info) == 0 || !info.dli_fname)
        return {};
    return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).canonicalFilePath();
}

} // namespace

BRINDOK_EXPORT com::HResult DllRegisterServer() {
    return brindok::module::registerServer(modulePath());
}

BRINDOK_EXPORT com::HResult DllUnregisterServer() {
    return brindok::module::unregisterServer();
}

BRINDOK_EXPORT com::HResult DllGetClassObject(const com::Guid* clsid, const com::Guid* iid, void** object) {
    if (!clsid || !iid)
        return com::E_INVALIDARG;
    return brindok::module::getClassObject(*clsid, *iid, object);
}

BRINDOK_EXPORT com::HResult DllCanUnloadNow() {
    return brindok::module::usage() == 0 ? com::S_OK : com::S_FALSE;
}
