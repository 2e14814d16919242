#include "module.h"

#include "control/BrindokCtrl.h"
#include "control/BrindokPropPage.h"
#include "control/brindok_ids.h"
#include "control/com/build_version.h"
#include "control/com/registry.h"

#include <QFileInfo>
#include <atomic>
#include <cstdio>
#include <functional>

namespace brindok::module {
namespace {

std::atomic<int> objects{0};
std::atomic<int> locks{0};

// A factory lives as long as the library: its references keep nothing alive.
class ClassFactory final : public com::IClassFactory {
public:
    using Make = com::IUnknown* (*)(); // a new object holding one reference
    explicit ClassFactory(Make make) : make_(make) {}

    com::HResult QueryInterface(const com::Guid& iid, void** object) override {
        if (!object)
            return com::E_POINTER;
        if (iid == com::IID_IUnknown || iid == com::IID_IClassFactory) {
            *object = static_cast<com::IClassFactory*>(this);
            return com::S_OK;
        }
        *object = nullptr;
        return com::E_NOINTERFACE;
    }
    uint32_t AddRef() override { return 2; }
    uint32_t Release() override { return 1; }

    com::HResult CreateInstance(com::IUnknown* outer, const com::Guid& iid, void** object) override {
        if (!object)
            return com::E_POINTER;
        *object = nullptr;
        if (outer)
            return com::CLASS_E_NOAGGREGATION;
        com::IUnknown* made = make_();
        const com::HResult hr = made->QueryInterface(iid, object);
        made->Release();
        return hr;
    }
    com::HResult LockServer(bool lock) override {
        locks += lock ? 1 : -1;
        return com::S_OK;
    }

private:
    const Make make_;
};

ClassFactory controlFactory([]() -> com::IUnknown* {
    return static_cast<com::IDispatch*>(new CBrindokCtrl);
});
ClassFactory pageFactory([]() -> com::IUnknown* { return new CBrindokPropPageObject; });

QString typeLibKey() {
    return QStringLiteral("TypeLib\\%1\\%2.%3")
        .arg(kLibId.toString())
        .arg(kLibVersionMajor)
        .arg(kLibVersionMinor);
}
QString interfaceKey(const com::Guid& iid) {
    return QStringLiteral("Interface\\") + iid.toString();
}
QString classKey(const com::Guid& clsid) {
    return QStringLiteral("CLSID\\") + clsid.toString();
}
QString version() {
    return QStringLiteral("%1.%2").arg(kLibVersionMajor).arg(kLibVersionMinor);
}

void writeTypeLib(com::registry::Tree& tree, const QString& modulePath) {
    const QString key = typeLibKey();
    tree.setValue(key, {}, QStringLiteral("Brindok: sends SSTP requests to a desktop character"));
    tree.setValue(key, QStringLiteral("HelpFile"), QStringLiteral("brindok.hlp"));
    tree.setValue(key + QStringLiteral("\\0\\linux"), {}, modulePath);
    tree.setValue(key + QStringLiteral("\\FLAGS"), {}, QStringLiteral("2")); // a library of controls
    tree.setValue(key + QStringLiteral("\\HELPDIR"), {}, QFileInfo(modulePath).absolutePath());
    const std::pair<com::Guid, const char*> interfaces[] = {{kDiidBrindok, "_DBrindok"},
                                                            {kDiidBrindokEvents, "_DBrindokEvents"}};
    for (const auto& [iid, name] : interfaces) {
        tree.setValue(interfaceKey(iid), {}, QLatin1String(name));
        tree.setValue(interfaceKey(iid) + QStringLiteral("\\TypeLib"), {}, kLibId.toString());
        tree.setValue(interfaceKey(iid) + QStringLiteral("\\TypeLib"), QStringLiteral("Version"), version());
    }
}

void writeClasses(com::registry::Tree& tree, const QString& modulePath) {
    const QString control = classKey(kClsidBrindok);
    const QString progId = QLatin1String(kProgIdControl);
    tree.setValue(control, {}, QStringLiteral("Brindok Control"));
    tree.setValue(control + QStringLiteral("\\InprocServer32"), {}, modulePath);
    tree.setValue(control + QStringLiteral("\\InprocServer32"), QStringLiteral("ThreadingModel"),
                  QStringLiteral("Apartment"));
    tree.setValue(control + QStringLiteral("\\InprocServer32"), QLatin1String(com::kBuildVersionValue),
                  QLatin1String(com::kBuildVersion));
    tree.setValue(control + QStringLiteral("\\ProgID"), {}, progId);
    tree.createKey(control + QStringLiteral("\\Control"));
    tree.setValue(control + QStringLiteral("\\ToolboxBitmap32"), {}, modulePath + QStringLiteral(", 1"));
    tree.setValue(control + QStringLiteral("\\MiscStatus"), {}, QStringLiteral("0"));
    tree.setValue(control + QStringLiteral("\\MiscStatus\\1"), {}, QString::number(kMiscStatus));
    tree.setValue(control + QStringLiteral("\\TypeLib"), {}, kLibId.toString());
    tree.setValue(control + QStringLiteral("\\Version"), {}, version());
    tree.setValue(progId, {}, QStringLiteral("Brindok Control"));
    tree.setValue(progId + QStringLiteral("\\CLSID"), {}, kClsidBrindok.toString());

    const QString page = classKey(kClsidPropPage);
    tree.setValue(page, {}, QStringLiteral("Brindok Property Page"));
    tree.setValue(page + QStringLiteral("\\InprocServer32"), {}, modulePath);
    tree.setValue(page + QStringLiteral("\\InprocServer32"), QLatin1String(com::kBuildVersionValue),
                  QLatin1String(com::kBuildVersion));
}

void removeTypeLib(com::registry::Tree& tree) {
    tree.removeTree(typeLibKey());
    const QString library = QStringLiteral("TypeLib\\") + kLibId.toString();
    if (tree.subkeys(library).isEmpty())
        tree.removeTree(library);
    tree.removeTree(interfaceKey(kDiidBrindok));
    tree.removeTree(interfaceKey(kDiidBrindokEvents));
}

void removeClasses(com::registry::Tree& tree) {
    tree.removeTree(classKey(kClsidBrindok));
    tree.removeTree(QLatin1String(kProgIdControl));
    tree.removeTree(classKey(kClsidPropPage));
}

// Edits the class registry; a failure is said here, where its reason is known: the result code
// the host gets carries none.
void sayFailed(const char* what, const QString& why) {
    std::fprintf(stderr, "morvik: the SSTP control cannot be %s, so no greetings to other characters: %s\n",
                 what, qPrintable(why));
}

bool edit(const char* what, const std::function<void(com::registry::Tree&)>& change) {
    QString why;
    if (com::registry::edit(com::registry::filePath(), change, &why))
        return true;
    sayFailed(what, why);
    return false;
}

} // namespace

void objectCreated() {
    ++objects;
}
void objectDestroyed() {
    --objects;
}
int usage() {
    return objects + locks;
}

com::HResult getClassObject(const com::Guid& clsid, const com::Guid& iid, void** object) {
    if (!object)
        return com::E_POINTER;
    *object = nullptr;
    if (clsid == kClsidBrindok)
        return controlFactory.QueryInterface(iid, object);
    if (clsid == kClsidPropPage)
        return pageFactory.QueryInterface(iid, object);
    return com::CLASS_E_CLASSNOTAVAILABLE;
}

com::HResult registerServer(const QString& modulePath) {
    const char* what = "registered";
    // The host hears only the result code, and takes this one for a failure said here.
    if (modulePath.isEmpty()) {
        sayFailed(what, QStringLiteral("the file it was loaded from is not found"));
        return com::SELFREG_E_TYPELIB;
    }
    if (!edit(what, [&](com::registry::Tree& tree) { writeTypeLib(tree, modulePath); }))
        return com::SELFREG_E_TYPELIB;
    if (!edit(what, [&](com::registry::Tree& tree) { writeClasses(tree, modulePath); }))
        return com::SELFREG_E_CLASS;
    return com::S_OK;
}

com::HResult unregisterServer() {
    const char* what = "unregistered";
    if (!edit(what, removeTypeLib))
        return com::SELFREG_E_TYPELIB;
    if (!edit(what, removeClasses))
        return com::SELFREG_E_CLASS;
    return com::S_OK;
}

} // namespace brindok::module
