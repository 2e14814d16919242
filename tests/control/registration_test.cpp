// libbrindok.so as a host meets it: registration into a private registry file, creation by ProgID,
// late-bound calls, unregistration.
#include "control/brindok_ids.h"
#include "control/com/build_version.h"
#include "control/com/dispatch.h"
#include "control/com/registry.h"
#include "control/com/runtime.h"
#include "control/module.h"
#include "qt_printers.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QWidget>
#include <dlfcn.h>
#include <gtest/gtest.h>

using namespace brindok;

namespace {

const QString kLibrary = QFileInfo(QStringLiteral(BRINDOK_LIBRARY)).canonicalFilePath();

class RegistrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = qgetenv("MORVIK_COM_REGISTRY");
        qputenv("MORVIK_COM_REGISTRY", registryPath().toUtf8());
    }
    void TearDown() override { qputenv("MORVIK_COM_REGISTRY", saved_); }

    QString registryPath() const { return dir_.filePath(QStringLiteral("classes.reg")); }
    std::optional<QString> value(const QString& key, const QString& name = {}) const {
        return com::registry::read(key, name);
    }
    static QString control(const QString& sub = {}) {
        return QStringLiteral("CLSID\\") + kClsidBrindok.toString() +
               (sub.isEmpty() ? QString() : "\\" + sub);
    }

    QTemporaryDir dir_;
    QByteArray saved_;
};

TEST_F(RegistrationTest, RegisterWritesTheTypeLibraryAndBothClasses) {
    ASSERT_EQ(com::registerServer(kLibrary), com::S_OK);

    const QString typeLib = QStringLiteral("TypeLib\\") + kLibId.toString() + QStringLiteral("\\1.0");
    EXPECT_EQ(value(typeLib + "\\0\\linux"), kLibrary);
    EXPECT_EQ(value(typeLib + "\\FLAGS"), QStringLiteral("2"));
    EXPECT_EQ(value(typeLib + "\\HELPDIR"), QFileInfo(kLibrary).absolutePath());
    EXPECT_EQ(value(typeLib, QStringLiteral("HelpFile")), QStringLiteral("brindok.hlp"));
    EXPECT_EQ(value("Interface\\" + kDiidBrindok.toString()), QStringLiteral("_DBrindok"));
    EXPECT_EQ(value("Interface\\" + kDiidBrindokEvents.toString() + "\\TypeLib"), kLibId.toString());

    EXPECT_EQ(value(QStringLiteral("BRINDOK.BrindokCtrl.1\\CLSID")), kClsidBrindok.toString());
    EXPECT_EQ(value(control()), QStringLiteral("Brindok Control"));
    EXPECT_EQ(value(control("InprocServer32")), kLibrary);
    EXPECT_EQ(value(control("InprocServer32"), QStringLiteral("ThreadingModel")),
              QStringLiteral("Apartment"));
    EXPECT_EQ(value(control("InprocServer32"), QStringLiteral("BuildVersion")),
              QLatin1String(com::kBuildVersion));
    EXPECT_EQ(value(control("ProgID")), QStringLiteral("BRINDOK.BrindokCtrl.1"));
    EXPECT_EQ(value(control("ToolboxBitmap32")), kLibrary + QStringLiteral(", 1"));
    EXPECT_EQ(value(control("MiscStatus\\1")), QString::number(0x20591));
    EXPECT_EQ(value(control("TypeLib")), kLibId.toString());
    EXPECT_EQ(value(control("Version")), QStringLiteral("1.0"));
    const auto tree = com::registry::load(registryPath());
    ASSERT_TRUE(tree);
    EXPECT_TRUE(tree->hasKey(control("Control")));
    EXPECT_EQ(value("CLSID\\" + kClsidPropPage.toString()), QStringLiteral("Brindok Property Page"));
    EXPECT_EQ(value("CLSID\\" + kClsidPropPage.toString() + "\\InprocServer32"), kLibrary);
    EXPECT_EQ(
        value("CLSID\\" + kClsidPropPage.toString() + "\\InprocServer32", QStringLiteral("BuildVersion")),
        QLatin1String(com::kBuildVersion));
}

TEST_F(RegistrationTest, AHostCreatesTheControlByItsProgIdAndCallsItLateBound) {
    ASSERT_EQ(com::registerServer(kLibrary), com::S_OK);
    com::Ptr<com::IDispatch> control;
    ASSERT_EQ(com::createByProgId(QStringLiteral("BRINDOK.BrindokCtrl.1"), com::IID_IDispatch, control.put()),
              com::S_OK);
    com::Variant value;
    ASSERT_EQ(com::dispatch::get(control.get(), kSender, &value), com::S_OK);
    EXPECT_EQ(value, com::Variant("localhost"));
    ASSERT_EQ(com::dispatch::put(control.get(), kRemoteAddress, "10.1.2.3"), com::S_OK);
    ASSERT_EQ(com::dispatch::get(control.get(), kRemoteAddress, &value), com::S_OK);
    EXPECT_EQ(value, com::Variant("10.1.2.3"));

    // While the control lives the library must stay; once it is gone it may go.
    EXPECT_EQ(com::freeUnusedLibraries(), 0);
    control.reset();
    EXPECT_EQ(com::freeUnusedLibraries(), 1);
}

TEST_F(RegistrationTest, ThePropertyPageIsCreatableByItsClassId) {
    ASSERT_EQ(com::registerServer(kLibrary), com::S_OK);
    com::Ptr<com::IPropertyPage> page;
    ASSERT_EQ(com::createInstance(kClsidPropPage, com::IID_IPropertyPage, page.put()), com::S_OK);
    QWidget frame;
    QWidget* widget = nullptr;
    QString caption;
    ASSERT_EQ(page->Activate(&frame, &widget, &caption), com::S_OK);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->parent(), &frame);
    EXPECT_EQ(caption, QStringLiteral("General"));
}

TEST_F(RegistrationTest, AfterUnregisteringNothingIsLeftAndCreationFails) {
    const QByteArray before = "[Other\\Key]\n@=kept\n";
    {
        QFile file(registryPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(before);
    }
    ASSERT_EQ(com::registerServer(kLibrary), com::S_OK);
    ASSERT_EQ(com::unregisterServer(kLibrary), com::S_OK);

    const auto tree = com::registry::load(registryPath());
    ASSERT_TRUE(tree);
    EXPECT_FALSE(tree->hasKey(control()));
    EXPECT_FALSE(tree->hasKey("CLSID\\" + kClsidPropPage.toString()));
    EXPECT_FALSE(tree->hasKey(QStringLiteral("BRINDOK.BrindokCtrl.1")));
    EXPECT_FALSE(tree->hasKey("TypeLib\\" + kLibId.toString()));
    EXPECT_FALSE(tree->hasKey("Interface\\" + kDiidBrindok.toString()));
    EXPECT_EQ(tree->value(QStringLiteral("Other\\Key")), QStringLiteral("kept"));

    com::Ptr<com::IDispatch> control;
    EXPECT_EQ(com::createByProgId(QStringLiteral("BRINDOK.BrindokCtrl.1"), com::IID_IDispatch, control.put()),
              com::CO_E_CLASSSTRING);
    EXPECT_EQ(com::createInstance(kClsidBrindok, com::IID_IDispatch, control.put()),
              com::REGDB_E_CLASSNOTREG);
}

TEST_F(RegistrationTest, ARegistryThatCannotBeWrittenFailsTheTypeLibraryStep) {
    // The registry's folder would have to be where a file is.
    const QString blocker = dir_.filePath(QStringLiteral("file"));
    {
        QFile file(blocker);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    qputenv("MORVIK_COM_REGISTRY", (blocker + QStringLiteral("/classes.reg")).toUtf8());
    EXPECT_EQ(com::registerServer(kLibrary), com::SELFREG_E_TYPELIB);
    EXPECT_EQ(com::unregisterServer(kLibrary), com::SELFREG_E_TYPELIB);
}

// The library cannot name its own file: nothing is registered, and it says so itself, once (its
// host hears only the result code, which it takes for a failure said).
TEST_F(RegistrationTest, ALibraryThatCannotNameItsFileSaysSoAndRegistersNothing) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(module::registerServer(QString()), com::SELFREG_E_TYPELIB);
    const QString said = QString::fromStdString(testing::internal::GetCapturedStderr());
    EXPECT_EQ(said.count(QStringLiteral("morvik: ")), 1) << said.toStdString();
    EXPECT_TRUE(said.contains(QStringLiteral("SSTP control cannot be registered"))) << said.toStdString();
    EXPECT_FALSE(QFileInfo::exists(registryPath()));
}

TEST_F(RegistrationTest, ARegistryThatDoesNotParseIsLeftAsItWas) {
    const QByteArray user = "not a registry\n";
    {
        QFile file(registryPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(user);
    }
    EXPECT_EQ(com::registerServer(kLibrary), com::SELFREG_E_TYPELIB);
    QFile file(registryPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), user);
}

TEST_F(RegistrationTest, AClassWhoseLibraryIsGoneCannotBeCreated) {
    ASSERT_TRUE(com::registry::edit(registryPath(), [](com::registry::Tree& t) {
        t.setValue(QStringLiteral("BRINDOK.BrindokCtrl.1\\CLSID"), {}, kClsidBrindok.toString());
        t.setValue(QStringLiteral("CLSID\\") + kClsidBrindok.toString() + QStringLiteral("\\InprocServer32"),
                   {}, QStringLiteral("/nonexistent/libbrindok.so"));
    }));
    com::Ptr<com::IDispatch> control;
    QString why;
    EXPECT_EQ(
        com::createByProgId(QStringLiteral("BRINDOK.BrindokCtrl.1"), com::IID_IDispatch, control.put(), &why),
        com::CO_E_DLLNOTFOUND);
    EXPECT_TRUE(why.contains(QStringLiteral("/nonexistent/libbrindok.so")));
}

TEST_F(RegistrationTest, TheLibraryShowsOnlyItsFourExportsAndKnowsOnlyItsClasses) {
    void* handle = dlopen(QFile::encodeName(kLibrary).constData(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr);
    for (const char* name :
         {"DllRegisterServer", "DllUnregisterServer", "DllGetClassObject", "DllCanUnloadNow"})
        EXPECT_NE(dlsym(handle, name), nullptr) << name;
    EXPECT_EQ(dlsym(handle, "_ZN11CSstpSocket4SendERK10QByteArrayi"), nullptr);
    auto getClassObject = reinterpret_cast<com::DllGetClassObjectFn>(dlsym(handle, "DllGetClassObject"));
    void* object = nullptr;
    EXPECT_EQ(getClassObject(&kLibId, &com::IID_IClassFactory, &object), com::CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(getClassObject(&kClsidBrindok, &com::IID_IDispatch, &object), com::E_NOINTERFACE);
    dlclose(handle);
}

} // namespace
