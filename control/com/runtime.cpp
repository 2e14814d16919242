#include "runtime.h"

#include "control/com/registry.h"

#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <dlfcn.h>
#include <mutex>

namespace com {
namespace {

void setWhy(QString* why, const QString& text) {
    if (why)
        *why = text;
}

// The libraries loaded so far, by canonical path. They are opened with RTLD_NODELETE: a library
// that registered Qt meta-objects must stay mapped even after we let go of it.
class Libraries {
public:
    static Libraries& instance() {
        static Libraries libraries;
        return libraries;
    }

    void* open(const QString& path, QString* why) {
        const QString canonical = QFileInfo(path).canonicalFilePath();
        if (canonical.isEmpty()) {
            setWhy(why, QStringLiteral("%1: no such file").arg(path));
            return nullptr;
        }
        const std::lock_guard lock(mutex_);
        if (void* handle = handles_.value(canonical))
            return handle;
        void* handle =
            ::dlopen(QFile::encodeName(canonical).constData(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
        if (!handle) {
            setWhy(why, QString::fromLocal8Bit(::dlerror()));
            return nullptr;
        }
        handles_.insert(canonical, handle);
        return handle;
    }

    int freeUnused() {
        const std::lock_guard lock(mutex_);
        int freed = 0;
        for (auto it = handles_.begin(); it != handles_.end();) {
            auto canUnload = reinterpret_cast<DllCanUnloadNowFn>(::dlsym(it.value(), "DllCanUnloadNow"));
            if (canUnload && canUnload() == S_OK) {
                ::dlclose(it.value());
                it = handles_.erase(it);
                ++freed;
            } else {
                ++it;
            }
        }
        return freed;
    }

private:
    std::mutex mutex_;
    QMap<QString, void*> handles_;
};

template <class Fn> HResult entryPoint(const QString& path, const char* name, Fn* fn, QString* why) {
    void* handle = Libraries::instance().open(path, why);
    if (!handle)
        return CO_E_DLLNOTFOUND;
    *fn = reinterpret_cast<Fn>(::dlsym(handle, name));
    if (!*fn) {
        setWhy(why, QStringLiteral("%1 has no %2").arg(path, QLatin1String(name)));
        return CO_E_ERRORINDLL;
    }
    return S_OK;
}

} // namespace

HResult classFromProgId(const QString& progId, Guid* clsid) {
    const auto text = registry::read(progId + QStringLiteral("\\CLSID"));
    const auto guid = text ? Guid::parse(*text) : std::nullopt;
    if (!guid)
        return CO_E_CLASSSTRING;
    *clsid = *guid;
    return S_OK;
}

HResult getClassObject(const Guid& clsid, const Guid& iid, void** object, QString* why) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    const auto path = registry::read(QStringLiteral("CLSID\\%1\\InprocServer32").arg(clsid.toString()));
    if (!path || path->isEmpty()) {
        setWhy(why, QStringLiteral("class %1 is not registered").arg(clsid.toString()));
        return REGDB_E_CLASSNOTREG;
    }
    DllGetClassObjectFn getter = nullptr;
    if (const HResult hr = entryPoint(*path, "DllGetClassObject", &getter, why); failed(hr))
        return hr;
    return getter(&clsid, &iid, object);
}

HResult createInstance(const Guid& clsid, const Guid& iid, void** object, QString* why) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    auto factory = Ptr<IClassFactory>();
    if (const HResult hr = getClassObject(clsid, IID_IClassFactory, factory.put(), why); failed(hr))
        return hr;
    const HResult hr = factory->CreateInstance(nullptr, iid, object);
    if (failed(hr))
        setWhy(why, QStringLiteral("class %1 made no object").arg(clsid.toString()));
    return hr;
}

HResult createByProgId(const QString& progId, const Guid& iid, void** object, QString* why) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    Guid clsid;
    if (const HResult hr = classFromProgId(progId, &clsid); failed(hr)) {
        setWhy(why, QStringLiteral("%1 is not registered").arg(progId));
        return hr;
    }
    return createInstance(clsid, iid, object, why);
}

HResult registerServer(const QString& libraryPath, QString* why) {
    DllRegisterServerFn fn = nullptr;
    if (const HResult hr = entryPoint(libraryPath, "DllRegisterServer", &fn, why); failed(hr))
        return hr;
    return fn();
}

HResult unregisterServer(const QString& libraryPath, QString* why) {
    DllUnregisterServerFn fn = nullptr;
    if (const HResult hr = entryPoint(libraryPath, "DllUnregisterServer", &fn, why); failed(hr))
        return hr;
    return fn();
}

int freeUnusedLibraries() {
    return Libraries::instance().freeUnused();
}

} // namespace com
