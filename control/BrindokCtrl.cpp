#include "BrindokCtrl.h"

#include "control/AboutBox.h"
#include "control/BrindokPropPage.h"
#include "control/PostedNotice.h"
#include "control/brindok_ids.h"
#include "control/module.h"
#include "control/server_probe.h"
#include "platform/codec.h"

#include <QApplication>
#include <cstring>

using namespace brindok;
using platform::codec::fromCp932;
using platform::codec::toCp932;

namespace {

// How a member of _DBrindok is called: a property (its type), a read-only property, or a method
// with its parameters ('S' a string, 'L' a long).
struct Member {
    com::DispId id;
    enum Kind { Property, ReadOnly, Method } kind;
    const char* types; // a property: its type; a method: its parameters
};

constexpr Member kMembers[] = {
    {kRemoteAddress, Member::Property, "S"}, {kSender, Member::Property, "S"},
    {kSakura, Member::ReadOnly, "L"},        {kAsyncMode, Member::Property, "L"},
    {kResponse, Member::ReadOnly, "S"},      {kSendString, Member::ReadOnly, "S"},
    {kSend, Member::Method, "SL"},           {kSendEx, Member::Method, "SSL"},
    {kSend2, Member::Method, "SS"},          {kExecute, Member::Method, "S"},
    {kGiveDocument, Member::Method, "S"},    {kGiveSongname, Member::Method, "S"},
    {kCommunicate, Member::Method, "S"},     {kAboutBox, Member::Method, ""},
};

const Member* findMember(com::DispId id) {
    for (const Member& m : kMembers) {
        if (m.id == id)
            return &m;
    }
    return nullptr;
}

// The arguments of one call, converted to the types the member takes.
struct Arguments {
    QString text[3];
    int32_t number[3] = {};
};

com::HResult convert(const char* types, std::span<const com::Variant> args, Arguments* out,
                     uint32_t* argErr) {
    for (size_t i = 0; i < args.size(); ++i) {
        const com::HResult hr =
            types[i] == 'S' ? args[i].toString(&out->text[i]) : args[i].toLong(&out->number[i]);
        if (com::failed(hr)) {
            if (argErr)
                *argErr = uint32_t(i);
            return hr;
        }
    }
    return com::S_OK;
}

// A text as the control keeps it: up to its first NUL, as a C string ends.
QString untilNul(const QString& text) {
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul < 0 ? text : text.left(nul);
}

} // namespace

CBrindokCtrl::CBrindokCtrl() {
    module::objectCreated();
    socket_.SetServerAddress(toCp932(remoteAddress_));
    socket_.SetSenderName(toCp932(sender_));
    // The worker's results reach this thread through its event loop; without one the control
    // still works, synchronously only.
    if (QCoreApplication::instance())
        notice_ = new PostedNotice([this] { OnResultNotice(); });
}

CBrindokCtrl::~CBrindokCtrl() {
    if (worker_)
        StopWorker();
    if (notice_) {
        // Deleted later: this may run inside the notice's own handler.
        notice_->detach();
        notice_->deleteLater();
    }
    module::objectDestroyed();
}

com::HResult CBrindokCtrl::QueryInterface(const com::Guid& iid, void** object) {
    if (!object)
        return com::E_POINTER;
    if (iid == com::IID_IUnknown || iid == com::IID_IDispatch || iid == kDiidBrindok)
        *object = static_cast<com::IDispatch*>(this);
    else if (iid == com::IID_IEventSource)
        *object = static_cast<com::IEventSource*>(this);
    else if (iid == com::IID_ISpecifyPropertyPages)
        *object = static_cast<com::ISpecifyPropertyPages*>(this);
    else if (iid == com::IID_IOleObject)
        *object = static_cast<com::IOleObject*>(this);
    else {
        *object = nullptr;
        return com::E_NOINTERFACE;
    }
    AddRef();
    return com::S_OK;
}

uint32_t CBrindokCtrl::AddRef() {
    return ++references_;
}

uint32_t CBrindokCtrl::Release() {
    const uint32_t left = --references_;
    if (left == 0)
        delete this;
    return left;
}

com::HResult CBrindokCtrl::Invoke(com::DispId id, uint16_t flags, std::span<const com::Variant> args,
                                  com::Variant* result, com::ExcepInfo* excep, uint32_t* argErr) {
    const Member* member = findMember(id);
    if (!member)
        return com::DISP_E_MEMBERNOTFOUND;
    Arguments a;
    com::Variant value;

    if (member->kind == Member::Method) {
        if (!(flags & com::DISPATCH_METHOD))
            return com::DISP_E_MEMBERNOTFOUND;
        if (args.size() != std::strlen(member->types))
            return com::DISP_E_BADPARAMCOUNT;
        if (const com::HResult hr = convert(member->types, args, &a, argErr); com::failed(hr))
            return hr;
        switch (id) {
        case kSend:
            value = Send(a.text[0], a.number[1]);
            break;
        case kSendEx:
            value = SendEx(a.text[0], a.text[1], a.number[2]);
            break;
        case kSend2:
            value = Send2(a.text[0], a.text[1]);
            break;
        case kExecute:
            value = Execute(a.text[0]);
            break;
        case kGiveDocument:
            value = GiveDocument(a.text[0]);
            break;
        case kGiveSongname:
            value = GiveSongname(a.text[0]);
            break;
        case kCommunicate:
            value = Communicate(a.text[0]);
            break;
        case kAboutBox:
            AboutBox();
            break;
        }
    } else if (flags & com::DISPATCH_PROPERTYPUT) {
        if (args.size() != 1)
            return com::DISP_E_BADPARAMCOUNT;
        if (member->kind == Member::ReadOnly) {
            if (excep)
                *excep = {com::CTL_E_SETNOTSUPPORTED, QStringLiteral("Brindok"),
                          QStringLiteral("This property cannot be set.")};
            return com::DISP_E_EXCEPTION;
        }
        if (const com::HResult hr = convert(member->types, args, &a, argErr); com::failed(hr))
            return hr;
        if (id == kRemoteAddress)
            SetRemoteAddress(a.text[0]);
        else if (id == kSender)
            SetSender(a.text[0]);
        else
            SetAsyncMode();
    } else if (flags & (com::DISPATCH_PROPERTYGET | com::DISPATCH_METHOD)) {
        if (!args.empty())
            return com::DISP_E_BADPARAMCOUNT;
        switch (id) {
        case kRemoteAddress:
            value = RemoteAddress();
            break;
        case kSender:
            value = Sender();
            break;
        case kSakura:
            value = Sakura();
            break;
        case kAsyncMode:
            value = AsyncMode();
            break;
        case kResponse:
            value = Response();
            break;
        case kSendString:
            value = SendString();
            break;
        }
    } else {
        return com::DISP_E_MEMBERNOTFOUND;
    }
    if (result)
        *result = std::move(value);
    return com::S_OK;
}

com::HResult CBrindokCtrl::Advise(const com::Guid& eventIid, com::IDispatch* sink, uint32_t* cookie) {
    if (!sink || !cookie)
        return com::E_POINTER;
    if (!(eventIid == kDiidBrindokEvents))
        return com::CONNECT_E_CANNOTCONNECT;
    sink->AddRef();
    *cookie = nextCookie_++;
    sinks_.push_back({*cookie, com::Ptr<com::IDispatch>::adopt(sink)});
    return com::S_OK;
}

com::HResult CBrindokCtrl::Unadvise(uint32_t cookie) {
    for (auto it = sinks_.begin(); it != sinks_.end(); ++it) {
        if (it->cookie == cookie) {
            sinks_.erase(it);
            return com::S_OK;
        }
    }
    return com::CONNECT_E_NOCONNECTION;
}

com::HResult CBrindokCtrl::GetPages(std::vector<com::Guid>* pages) {
    if (!pages)
        return com::E_POINTER;
    *pages = {kClsidPropPage};
    return com::S_OK;
}

namespace {

// Dialogs need a widget application; a host without one gets none.
bool canShowDialogs() {
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

} // namespace

com::HResult CBrindokCtrl::DoVerb(int32_t verb, QWidget* parent) {
    if (verb != com::OLEIVERB_PROPERTIES)
        return com::E_NOTIMPL;
    if (!canShowDialogs())
        return com::E_FAIL;
    std::vector<com::Guid> pages;
    GetPages(&pages);
    AddRef(); // the host may let go of the control while the frame is open
    ShowPropertyFrame(parent, QStringLiteral("Brindok Control"), pages);
    Release();
    return com::S_OK;
}

QString CBrindokCtrl::RemoteAddress() const {
    return remoteAddress_;
}

void CBrindokCtrl::SetRemoteAddress(const QString& address) {
    remoteAddress_ = untilNul(address);
    socket_.SetServerAddress(toCp932(remoteAddress_));
}

QString CBrindokCtrl::Sender() const {
    return sender_;
}

void CBrindokCtrl::SetSender(const QString& sender) {
    sender_ = untilNul(sender);
    socket_.SetSenderName(toCp932(sender_));
}

int32_t CBrindokCtrl::Sakura() const {
    return sstpServerRunning() ? 1 : 0;
}

int32_t CBrindokCtrl::AsyncMode() const {
    return worker_ ? 1 : 0;
}

void CBrindokCtrl::SetAsyncMode() {
    if (worker_) {
        StopWorker();
        return;
    }
    if (!notice_ || !notice_->valid())
        return;
    auto worker = std::make_unique<CSakuraThread>(socket_, [notice = notice_] { notice->post(); });
    if (worker->Start())
        worker_ = std::move(worker);
}

void CBrindokCtrl::StopWorker() {
    worker_->QueueQuit();
    worker_->Wait();
    // Notices of this worker still on their way find no worker and are dropped.
    worker_.reset();
}

QString CBrindokCtrl::Response() const {
    return fromCp932(socket_.Response());
}

QString CBrindokCtrl::SendString() const {
    return fromCp932(socket_.SendString());
}

bool CBrindokCtrl::ServerReachable() const {
    const QByteArray address = socket_.ServerAddress();
    if (address != "127.0.0.1" && address != "localhost")
        return true;
    return sstpServerRunning();
}

int32_t CBrindokCtrl::Send(const QString& script, int32_t option) {
    if (!ServerReachable())
        return 0;
    return worker_ ? worker_->QueueSend(toCp932(script), option) : socket_.Send(toCp932(script), option);
}

int32_t CBrindokCtrl::SendEx(const QString& script, const QString& entry, int32_t hwnd) {
    if (!ServerReachable())
        return kNoServer;
    return worker_ ? worker_->QueueSendEx(toCp932(script), toCp932(entry), hwnd)
                   : socket_.SendEx(toCp932(script), toCp932(entry), hwnd);
}

int32_t CBrindokCtrl::Send2(const QString& script, const QString& entry) {
    if (!ServerReachable())
        return kNoServer;
    return worker_ ? worker_->QueueSend2(toCp932(script), toCp932(entry))
                   : socket_.Send2(toCp932(script), toCp932(entry));
}

int32_t CBrindokCtrl::Execute(const QString& command) {
    if (!ServerReachable())
        return kNoServer;
    return worker_ ? worker_->QueueExecute(toCp932(command)) : socket_.Execute(toCp932(command));
}

int32_t CBrindokCtrl::GiveDocument(const QString& document) {
    if (!ServerReachable())
        return kNoServer;
    return worker_ ? worker_->QueueGiveDocument(toCp932(document)) : socket_.GiveDocument(toCp932(document));
}

int32_t CBrindokCtrl::GiveSongname(const QString& songname) {
    if (!ServerReachable())
        return kNoServer;
    return worker_ ? worker_->QueueGiveSongname(toCp932(songname)) : socket_.GiveSongname(toCp932(songname));
}

int32_t CBrindokCtrl::Communicate(const QString& sentence) {
    if (!ServerReachable())
        return kNoServer;
    return worker_ ? worker_->QueueCommunicate(toCp932(sentence)) : socket_.Communicate(toCp932(sentence));
}

void CBrindokCtrl::AboutBox() {
    if (!canShowDialogs())
        return;
    CAboutDlg dialog(QApplication::activeWindow());
    AddRef();
    dialog.exec();
    Release();
}

void CBrindokCtrl::OnResultNotice() {
    // A notice whose worker is gone, or that finds no result, has nothing to report.
    CSstpResult result;
    if (!worker_ || !worker_->GetResult(result))
        return;
    AddRef(); // a sink may let go of the control inside the event
    FireStatusUpdateEvent(result.result, result.statusCode, fromCp932(result.reply));
    Release();
}

void CBrindokCtrl::FireStatusUpdateEvent(int32_t result, int32_t statusCode, const QString& response) {
    const std::vector<Sink> sinks = sinks_; // a sink may unadvise inside the event
    for (const Sink& sink : sinks) {
        QString text = response;
        const com::Variant args[] = {result, statusCode, com::Variant::ref(&text)};
        sink.target->Invoke(kStatusUpdateEvent, com::DISPATCH_METHOD, args, nullptr, nullptr, nullptr);
    }
}
