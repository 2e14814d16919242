#include "subclass.h"

#include <algorithm>

namespace {

std::vector<QPointer<CSubclass>>& registry() {
    static std::vector<QPointer<CSubclass>> objects;
    return objects;
}

// The one procedure every hooked window shares: hands the event to the window's object (a window
// is hooked once, so there is one). The object has delivered the event itself, so the filter always
// stops Qt from delivering it a second time.
class WindowProc : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        for (const QPointer<CSubclass>& object : registry()) {
            if (object && object->hwnd() == watched && object->ProcOrg()) {
                object->RaiseWndProc(event);
                return true;
            }
        }
        return false;
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

void CSubclass::RaiseWndProc(QEvent* event) {
    const QPointer<CSubclass> self = this;
    const QEvent::Type message = event->type();
    if (callDefaultProc_ && hwnd_)
        static_cast<QObject*>(hwnd_)->event(event);
    // The window's handling may have destroyed the window, and this object with it.
    if (self)
        emit WndProc(message, event);
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
