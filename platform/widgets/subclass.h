#pragma once
// Window hooking: a CSubclass describes one hooked window; basSubclass installs the hook, an event
// filter that sees every event of the window, hands it to the window's own handling (its event())
// first and then raises WndProc on the window's CSubclass, so a WndProc handler sees the event after
// the window has acted on it and cannot change what the window did. With CallDefaultProc false the
// window's own handling is skipped (the event is swallowed) and WndProc is still raised. Event
// filters installed on the window after the hook still see its events before the window does; those
// installed before it are passed over while the window is hooked. A window is hooked once: hooking a
// window that is already in basSubclass::Registry does nothing. The hook lasts until Unsubclass, or
// until the CSubclass object is destroyed.
#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <vector>

class CSubclass : public QObject {
    Q_OBJECT
public:
    CSubclass();
    ~CSubclass() override;

    QWidget* hwnd() const { return hwnd_; }
    void setHwnd(QWidget* window) { hwnd_ = window; }
    // The filter installed on the window while hooked; null while not hooked by this object.
    QObject* ProcOrg() const { return procOrg_; }
    void setProcOrg(QObject* filter) { procOrg_ = filter; }
    void setCallDefaultProc(bool on) { callDefaultProc_ = on; }

    // Called by the hook for each event of the window: the window's own handling (unless
    // CallDefaultProc is false), then WndProc.
    void RaiseWndProc(QEvent* event);

signals:
    void WndProc(QEvent::Type message, QEvent* event);

private:
    QPointer<QWidget> hwnd_;
    QObject* procOrg_ = nullptr;
    bool callDefaultProc_ = true;
};

namespace basSubclass {

// The objects that were hooked, in the order they were added.
const std::vector<QPointer<CSubclass>>& Registry();

void Subclass(CSubclass& object);
void Unsubclass(CSubclass& object);

} // namespace basSubclass
