#pragma once
// Our small component runtime: just enough of an in-process component model for the SSTP control
// and its host. Objects are reference counted and reached through interfaces asked for by their
// identifiers; late-bound calls go by dispatch id with a small variant type; failures are numeric
// result codes, never exceptions.
//
// Interfaces are plain C++ abstract classes, shared by a host and a component library built with
// the same compiler. There is no marshalling and no apartment machinery: an object is used on the
// thread that created it.
#include <QString>
#include <cstdint>
#include <optional>
#include <span>
#include <variant>
#include <vector>

class QWidget;

namespace com {

using HResult = int32_t;
constexpr HResult code(uint32_t bits) {
    return static_cast<HResult>(bits);
}
constexpr bool failed(HResult hr) {
    return hr < 0;
}
constexpr bool succeeded(HResult hr) {
    return hr >= 0;
}

inline constexpr HResult S_OK = 0;
inline constexpr HResult S_FALSE = 1;
inline constexpr HResult E_NOTIMPL = code(0x80004001);
inline constexpr HResult E_NOINTERFACE = code(0x80004002);
inline constexpr HResult E_POINTER = code(0x80004003);
inline constexpr HResult E_FAIL = code(0x80004005);
inline constexpr HResult E_OUTOFMEMORY = code(0x8007000E);
inline constexpr HResult E_INVALIDARG = code(0x80070057);
inline constexpr HResult CLASS_E_NOAGGREGATION = code(0x80040110);
inline constexpr HResult CLASS_E_CLASSNOTAVAILABLE = code(0x80040111);
inline constexpr HResult REGDB_E_CLASSNOTREG = code(0x80040154);
inline constexpr HResult CO_E_CLASSSTRING = code(0x800401F3); // no class under that ProgID
inline constexpr HResult CO_E_DLLNOTFOUND = code(0x800401F8); // the library cannot be loaded
inline constexpr HResult CO_E_ERRORINDLL = code(0x800401F9);  // the library lacks an export
inline constexpr HResult SELFREG_E_TYPELIB = code(0x80040200);
inline constexpr HResult SELFREG_E_CLASS = code(0x80040201);
inline constexpr HResult CONNECT_E_CANNOTCONNECT = code(0x80040202);
inline constexpr HResult CONNECT_E_NOCONNECTION = code(0x80040200);
inline constexpr HResult DISP_E_MEMBERNOTFOUND = code(0x80020003);
inline constexpr HResult DISP_E_TYPEMISMATCH = code(0x80020005);
inline constexpr HResult DISP_E_EXCEPTION = code(0x80020009);
inline constexpr HResult DISP_E_OVERFLOW = code(0x8002000A);
inline constexpr HResult DISP_E_BADPARAMCOUNT = code(0x8002000E);
// The scode a control reports (inside DISP_E_EXCEPTION) for a set of a read-only property.
inline constexpr HResult CTL_E_SETNOTSUPPORTED = code(0x800A017F);

// A 128-bit class or interface identifier.
struct Guid {
    uint32_t data1 = 0;
    uint16_t data2 = 0;
    uint16_t data3 = 0;
    uint8_t data4[8] = {};

    // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", hex digits of either case; nothing when malformed.
    static std::optional<Guid> parse(QStringView text);
    // The braced form in upper case.
    QString toString() const;
    friend bool operator==(const Guid&, const Guid&) = default;
};

class IUnknown {
public:
    virtual HResult QueryInterface(const Guid& iid, void** object) = 0;
    virtual uint32_t AddRef() = 0;
    virtual uint32_t Release() = 0;

protected:
    ~IUnknown() = default;
};

// A late-bound value: nothing, a 32-bit integer, a string, or a reference to the caller's string
// (a by-reference string argument, which the callee may replace).
class Variant {
public:
    enum class Type { Empty, Long, String, StringRef };

    Variant() = default;
    Variant(int32_t value) : value_(value) {}
    Variant(QString value) : value_(std::move(value)) {}
    Variant(const char* value) : value_(QString::fromUtf8(value)) {}
    static Variant ref(QString* target) {
        Variant v;
        v.value_ = target;
        return v;
    }

    Type type() const { return static_cast<Type>(value_.index()); }
    bool isEmpty() const { return type() == Type::Empty; }

    // The value as the given type, converted the way late-bound callers expect (an integer as its
    // decimal text, a decimal text as its integer, empty as 0 or ""). A text that is no number gives
    // DISP_E_TYPEMISMATCH, a number outside 32 bits DISP_E_OVERFLOW.
    HResult toLong(int32_t* out) const;
    HResult toString(QString* out) const;

    friend bool operator==(const Variant&, const Variant&) = default;

private:
    std::variant<std::monostate, int32_t, QString, QString*> value_;
};

using DispId = int32_t;
inline constexpr DispId DISPID_ABOUTBOX = -552;

enum InvokeFlags : uint16_t {
    DISPATCH_METHOD = 1,
    DISPATCH_PROPERTYGET = 2,
    DISPATCH_PROPERTYPUT = 4,
};

// What a callee tells about the failure behind DISP_E_EXCEPTION.
struct ExcepInfo {
    HResult scode = S_OK;
    QString source;
    QString description;
};

class IDispatch : public IUnknown {
public:
    // Calls member id. args are in call order; a property put has the new value as its only
    // argument. result, excep and argErr may be null. Unknown members give DISP_E_MEMBERNOTFOUND,
    // a wrong number of arguments DISP_E_BADPARAMCOUNT, an argument that does not convert
    // DISP_E_TYPEMISMATCH (argErr: its index), a failure inside the member DISP_E_EXCEPTION.
    virtual HResult Invoke(DispId id, uint16_t flags, std::span<const Variant> args, Variant* result,
                           ExcepInfo* excep, uint32_t* argErr) = 0;

protected:
    ~IDispatch() = default;
};

class IClassFactory : public IUnknown {
public:
    virtual HResult CreateInstance(IUnknown* outer, const Guid& iid, void** object) = 0;
    // Keeps the library loaded while locked, whether or not objects exist.
    virtual HResult LockServer(bool lock) = 0;

protected:
    ~IClassFactory() = default;
};

// Where an object's events go: each advised sink receives every event as a DISPATCH_METHOD call of
// the event's dispatch id, on the object's thread.
class IEventSource : public IUnknown {
public:
    // eventIid names the event interface; an object that has no such events gives
    // CONNECT_E_CANNOTCONNECT.
    virtual HResult Advise(const Guid& eventIid, IDispatch* sink, uint32_t* cookie) = 0;
    // CONNECT_E_NOCONNECTION for a cookie that is not advised.
    virtual HResult Unadvise(uint32_t cookie) = 0;

protected:
    ~IEventSource() = default;
};

// The property pages an object names for its settings, by class identifier.
class ISpecifyPropertyPages : public IUnknown {
public:
    virtual HResult GetPages(std::vector<Guid>* pages) = 0;

protected:
    ~ISpecifyPropertyPages() = default;
};

// One property page: a widget made on demand inside the host's frame.
class IPropertyPage : public IUnknown {
public:
    // Makes the page as a child of parent (which owns it) and gives its caption.
    virtual HResult Activate(QWidget* parent, QWidget** page, QString* caption) = 0;

protected:
    ~IPropertyPage() = default;
};

// The verbs a host can ask an embedded object to carry out.
inline constexpr int32_t OLEIVERB_PROPERTIES = -7;

class IOleObject : public IUnknown {
public:
    // parent: the host window a dialog opened by the verb belongs to (may be null).
    virtual HResult DoVerb(int32_t verb, QWidget* parent) = 0;

protected:
    ~IOleObject() = default;
};

inline constexpr Guid IID_IUnknown{0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr Guid IID_IClassFactory{0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr Guid IID_IDispatch{0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// The interfaces below are shaped for this runtime, so they have identifiers of their own.
inline constexpr Guid IID_IEventSource{
    0xADE39C09, 0xB6E0, 0x415C, {0xB3, 0x9A, 0x48, 0xDE, 0xC3, 0xD1, 0x3F, 0x06}};
inline constexpr Guid IID_ISpecifyPropertyPages{
    0x523B16EB, 0x16D6, 0x431D, {0x91, 0x9C, 0x8C, 0x1A, 0xC0, 0x91, 0x0C, 0xEF}};
inline constexpr Guid IID_IPropertyPage{
    0x600664E9, 0xF4BD, 0x48CA, {0x84, 0xE2, 0x2A, 0x19, 0x4E, 0xBA, 0x44, 0x9E}};
inline constexpr Guid IID_IOleObject{
    0xD0BCD31B, 0xC339, 0x48D6, {0x9E, 0x67, 0x6C, 0xF5, 0x5D, 0xFF, 0x2D, 0x2B}};

// Owns one reference to an interface.
template <class T> class Ptr {
public:
    Ptr() = default;
    ~Ptr() { reset(); }
    Ptr(const Ptr& other) : p_(other.p_) {
        if (p_)
            p_->AddRef();
    }
    Ptr(Ptr&& other) noexcept : p_(other.p_) { other.p_ = nullptr; }
    Ptr& operator=(Ptr other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }

    // Takes over a reference the caller already holds.
    static Ptr adopt(T* p) {
        Ptr ptr;
        ptr.p_ = p;
        return ptr;
    }
    // Asks object for interface iid; empty when it has none.
    static Ptr query(IUnknown* object, const Guid& iid) {
        Ptr ptr;
        if (object)
            object->QueryInterface(iid, ptr.put());
        return ptr;
    }

    void reset() {
        if (p_)
            p_->Release();
        p_ = nullptr;
    }
    // For an out parameter: releases what is held and hands out the slot.
    void** put() {
        reset();
        return reinterpret_cast<void**>(&p_);
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

// The exports of a component library, looked up by these names.
extern "C" {
using DllGetClassObjectFn = HResult (*)(const Guid* clsid, const Guid* iid, void** object);
using DllCanUnloadNowFn = HResult (*)();
using DllRegisterServerFn = HResult (*)();
using DllUnregisterServerFn = HResult (*)();
}

} // namespace com
