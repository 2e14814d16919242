#include "subclass.h"

#include <algorithm>

namespace {

std::vector<QPointer<CSubclass>>& registry() {
    static std::vector<QPointer<CSubclass>> objects;
    return objects;
}

// The one procedure every hooked window shares: hands the event to each registered object of the
// window, in registration order.
class WindowProc : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        bool swallow = false;
        for (const QPointer<CSubclass>& object : registry()) {
            if (object && object->hwnd() == watched && object->ProcOrg())
                swallow = object->RaiseWndProc(event) || swallow;
        }
        return swallow;
    }
};

WindowProc& windowProc() {
    static WindowProc proc;
    return proc;
}

} // namespace

CSubclass::CSubclass() = default;

CSubclass::~CSubclass() {
    if (procOrg_)
        basSubclass::Unsubclass(*this);
    auto& objects = registry();
    objects.erase(std::remove(objects.begin(), objects.end(), this), objects.end());
}

bool CSubclass::RaiseWndProc(QEvent* event) {
    emit WndProc(event->type(), event);
    return !callDefaultProc_;
}

namespace basSubclass {

const std::vector<QPointer<CSubclass>>& Registry() { return registry(); }

void Subclass(CSubclass& object) {
    auto& objects = registry();
    const bool hooked = std::any_of(objects.begin(), objects.end(), [&](const QPointer<CSubclass>& o) {
        return o && o->hwnd() == object.hwnd();
    });
    if (hooked || !object.hwnd())
        return;
    objects.emplace_back(&object);
    object.hwnd()->installEventFilter(&windowProc());
    object.setProcOrg(&windowProc());
}

void Unsubclass(CSubclass& object) {
    if (!object.ProcOrg())
        return;
    if (object.hwnd())
        object.hwnd()->removeEventFilter(&windowProc());
    object.setProcOrg(nullptr);
    auto& objects = registry();
    objects.erase(std::remove(objects.begin(), objects.end(), &object), objects.end());
}

} // namespace basSubclass
