#pragma once
// The SSTP control Brindok. A host reaches it through the dispatch interface _DBrindok (ids in
// brindok_ids.h): whether an SSTP server runs here (Sakura), where requests go (RemoteAddress,
// "127.0.0.1") and under which sender name (Sender, "localhost"), the last request and reply texts
// (SendString, Response), and the seven requests. In synchronous mode (AsyncMode 0, the start of
// every instance) a method sends its request and returns its result code; in asynchronous mode a
// method queues the request on the worker and returns 0, and the outcome comes back as the event
// StatusUpdateEvent(Result, StatusCode, Response) of _DBrindokEvents, on the control's thread, in
// the order of the requests. Every set of AsyncMode toggles the mode, whatever the value; switching
// it off waits until the requests already queued have been sent, and their events no longer come.
//
// The loopback rule: when RemoteAddress is exactly "127.0.0.1" or "localhost" and no SSTP server
// runs (server_probe.h), nothing is sent: Send returns 0 and the other methods 105.
//
// Strings arrive and leave as Unicode and are CP932 on the wire (a character CP932 lacks goes as
// '?'). A string argument ends at its first NUL, as a C string does: RemoteAddress and Sender keep
// only that much, and nothing after it goes on the wire. Sakura, Response and SendString are read-only: a set
// gives DISP_E_EXCEPTION with the scode CTL_E_SETNOTSUPPORTED and changes nothing.
//
// The object is reference counted (it starts with one reference) and must be made, called and
// released on one thread, which runs a Qt event loop for the events to arrive.
#include "control/SakuraThread.h"
#include "control/SstpSocket.h"
#include "control/com/com.h"

#include <QString>
#include <memory>
#include <vector>

class PostedNotice;

class CBrindokCtrl final : public com::IDispatch,
                           public com::IEventSource,
                           public com::ISpecifyPropertyPages,
                           public com::IOleObject {
public:
    CBrindokCtrl();
    CBrindokCtrl(const CBrindokCtrl&) = delete;
    CBrindokCtrl& operator=(const CBrindokCtrl&) = delete;

    com::HResult QueryInterface(const com::Guid& iid, void** object) override;
    uint32_t AddRef() override;
    uint32_t Release() override;

    com::HResult Invoke(com::DispId id, uint16_t flags, std::span<const com::Variant> args,
                        com::Variant* result, com::ExcepInfo* excep, uint32_t* argErr) override;

    com::HResult Advise(const com::Guid& eventIid, com::IDispatch* sink, uint32_t* cookie) override;
    com::HResult Unadvise(uint32_t cookie) override;

    com::HResult GetPages(std::vector<com::Guid>* pages) override;

    // OLEIVERB_PROPERTIES opens the property page in a modal frame; other verbs give E_NOTIMPL.
    com::HResult DoVerb(int32_t verb, QWidget* parent) override;

    // The automation surface as Invoke calls it.
    QString RemoteAddress() const;
    void SetRemoteAddress(const QString& address);
    QString Sender() const;
    void SetSender(const QString& sender);
    int32_t Sakura() const;
    int32_t AsyncMode() const;
    void SetAsyncMode();
    QString Response() const;
    QString SendString() const;
    int32_t Send(const QString& script, int32_t option);
    int32_t SendEx(const QString& script, const QString& entry, int32_t hwnd);
    int32_t Send2(const QString& script, const QString& entry);
    int32_t Execute(const QString& command);
    int32_t GiveDocument(const QString& document);
    int32_t GiveSongname(const QString& songname);
    int32_t Communicate(const QString& sentence);
    void AboutBox();

    // The request socket, for setting its time limit.
    CSstpSocket& Socket() { return socket_; }

private:
    ~CBrindokCtrl();

    // The loopback rule: false when the request must not go out because no server runs here.
    bool ServerReachable() const;
    void StopWorker();
    void OnResultNotice();
    void FireStatusUpdateEvent(int32_t result, int32_t statusCode, const QString& response);

    struct Sink {
        uint32_t cookie;
        com::Ptr<com::IDispatch> target;
    };

    uint32_t references_ = 1;
    CSstpSocket socket_;
    QString remoteAddress_ = QStringLiteral("127.0.0.1");
    QString sender_ = QStringLiteral("localhost");
    std::unique_ptr<CSakuraThread> worker_; // exists exactly in asynchronous mode
    PostedNotice* notice_ = nullptr;        // carries the worker's result notices to this thread
    std::vector<Sink> sinks_;
    uint32_t nextCookie_ = 1;
};
