#include "services.h"

#include "platform/program_folder.h"

namespace services {
namespace {

template <typename T> std::unique_ptr<T>& slot() {
    static std::unique_ptr<T> held = std::make_unique<T>();
    return held;
}

template <typename T> void put(std::unique_ptr<T> implementation) {
    slot<T>() = implementation ? std::move(implementation) : std::make_unique<T>();
}

} // namespace

QString commonVoicePath(const QString& id) {
    return platform::tempFolder() + QStringLiteral("/temp") + id + QStringLiteral(".mp3");
}

Talk& talk() { return *slot<Talk>(); }
Mail& mail() { return *slot<Mail>(); }
Sstp& sstp() { return *slot<Sstp>(); }
Windows& windows() { return *slot<Windows>(); }
Drops& drops() { return *slot<Drops>(); }

void install(std::unique_ptr<Talk> implementation) { put(std::move(implementation)); }
void install(std::unique_ptr<Mail> implementation) { put(std::move(implementation)); }
void install(std::unique_ptr<Sstp> implementation) { put(std::move(implementation)); }
void install(std::unique_ptr<Windows> implementation) { put(std::move(implementation)); }
void install(std::unique_ptr<Drops> implementation) { put(std::move(implementation)); }

void reset() {
    put<Talk>(nullptr);
    put<Mail>(nullptr);
    put<Sstp>(nullptr);
    put<Windows>(nullptr);
    put<Drops>(nullptr);
}

} // namespace services
