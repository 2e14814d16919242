#include "BrindokSite.h"

#include "control/brindok_ids.h"
#include "control/com/build_version.h"
#include "control/com/dispatch.h"
#include "control/com/registry.h"
#include "control/com/runtime.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>

#ifndef MORVIK_INSTALL_LIBDIR
#define MORVIK_INSTALL_LIBDIR "lib"
#endif

namespace {

// Whether the registry names, for the control's ProgID, this build's own library: the file this
// program loads and the build version it was made with. A registration left by another build (an
// older installation, another build tree) may lay out the interfaces differently.
bool registeredAsThisBuild(const QString& library) {
    com::Guid clsid;
    if (com::failed(com::classFromProgId(QLatin1String(brindok::kProgIdControl), &clsid)))
        return false;
    const QString key = QStringLiteral("CLSID\\%1\\InprocServer32").arg(clsid.toString());
    const auto path = com::registry::read(key);
    const auto version = com::registry::read(key, QLatin1String(com::kBuildVersionValue));
    const QString file = QFileInfo(library).canonicalFilePath();
    return path && !file.isEmpty() && QFileInfo(*path).canonicalFilePath() == file &&
           version == QLatin1String(com::kBuildVersion);
}

// Said once: why is empty when the control has said it already.
void sayUnavailable(const QString& why) {
    static bool said = false;
    if (said)
        return;
    said = true;
    if (!why.isEmpty())
        std::fprintf(stderr, "morvik: no SSTP control, so no greetings to other characters (%s)\n",
                     qPrintable(why));
}

} // namespace

BrindokSite::BrindokSite() {
    QString why;
    const QString library = libraryPath();
    if (!registeredAsThisBuild(library)) {
        const com::HResult hr = com::registerServer(library, &why);
        if (com::failed(hr)) {
            // A class registry that cannot be written the control says itself, with the file and
            // the system's reason, which its result code cannot carry.
            const bool saidByControl =
                why.isEmpty() && (hr == com::SELFREG_E_TYPELIB || hr == com::SELFREG_E_CLASS);
            if (!saidByControl && why.isEmpty())
                why = QStringLiteral("registering %1 failed with 0x%2")
                          .arg(library)
                          .arg(uint32_t(hr), 8, 16, QLatin1Char('0'));
            sayUnavailable(why);
            return;
        }
        if (!registeredAsThisBuild(library)) {
            sayUnavailable(QStringLiteral("%1 is from another build of the program").arg(library));
            return;
        }
    }
    if (com::failed(com::createByProgId(QLatin1String(brindok::kProgIdControl), com::IID_IDispatch,
                                        control_.put(), &why)))
        sayUnavailable(why);
}

int32_t BrindokSite::Sakura() const {
    if (!control_)
        return 0;
    com::Variant value;
    int32_t running = 0;
    if (com::failed(com::dispatch::get(control_.get(), brindok::kSakura, &value)) ||
        com::failed(value.toLong(&running)))
        return 0;
    return running;
}

std::optional<int32_t> BrindokSite::Send(const QString& script, int32_t option) {
    if (!control_)
        return std::nullopt;
    com::Variant value;
    int32_t result = 0;
    if (com::failed(com::dispatch::call(control_.get(), brindok::kSend, {script, option}, &value)) ||
        com::failed(value.toLong(&result)))
        return std::nullopt;
    return result;
}

QString BrindokSite::libraryPath() {
    const QString fromEnv = qEnvironmentVariable("MORVIK_BRINDOK_LIBRARY");
    if (!fromEnv.isEmpty())
        return fromEnv;
    const QString bin = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    const QString candidates[] = {
        bin + QStringLiteral("/../") + QLatin1String(MORVIK_INSTALL_LIBDIR) +
            QStringLiteral("/libbrindok.so"),
        bin + QStringLiteral("/../lib/libbrindok.so"),
    };
    for (const QString& candidate : candidates) {
        if (QFileInfo(candidate).isFile())
            return QFileInfo(candidate).canonicalFilePath();
    }
    return candidates[0];
}
