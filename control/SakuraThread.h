#pragma once
// The worker of the control's asynchronous mode: one thread that sends queued requests through the
// control's request socket strictly in the order they were queued, queues one result per request
// and calls notify (from the worker thread) once per result, right after queuing it.
//
// The request queue and the result queue each have a lock of their own; the worker never holds
// both. An empty queue puts the worker to sleep on a condition variable, and every queued request
// wakes it, so no request waits for a later one. The quit request ends the thread with exit code
// 101 once every request queued before it has been sent; requests queued after it are never sent.
// Destroying the object drops whatever is left in both queues (a still running thread is told to
// quit first and waited for, without sending what was left).
#include "control/SstpSocket.h"

#include <QByteArray>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

struct CSstpRequest {
    enum Type : int32_t {
        kSend = 1,
        kSend2 = 2,
        kSendEx = 3,
        kExecute = 4,
        kGiveDocument = 5,
        kGiveSongname = 6,
        kCommunicate = 7,
        kQuit = 100,
    };
    int32_t type = kQuit;
    QByteArray text;  // the script, command, document, song name or sentence
    QByteArray entry; // kSend2 and kSendEx
    int32_t option = 0;
    int32_t hwnd = 0;
};

struct CSstpResult {
    int32_t result = 0;     // the request's result code
    int32_t statusCode = 0; // the socket's status code after a sent request, else 0
    QByteArray reply;       // the socket's reply text after a sent request, else empty
};

class CSakuraThread {
public:
    static constexpr int32_t kStillActive = 259;
    static constexpr int32_t kQuitExitCode = 101;

    CSakuraThread(CSstpSocket& socket, std::function<void()> notify);
    ~CSakuraThread();
    CSakuraThread(const CSakuraThread&) = delete;
    CSakuraThread& operator=(const CSakuraThread&) = delete;

    // Starts the thread, which waits for the first request; false when no thread can be made.
    bool Start();

    // Each queues one request and returns 0.
    int32_t QueueSend(const QByteArray& script, int32_t option);
    int32_t QueueSend2(const QByteArray& script, const QByteArray& entry);
    int32_t QueueSendEx(const QByteArray& script, const QByteArray& entry, int32_t hwnd);
    int32_t QueueExecute(const QByteArray& command);
    int32_t QueueGiveDocument(const QByteArray& document);
    int32_t QueueGiveSongname(const QByteArray& songname);
    int32_t QueueCommunicate(const QByteArray& sentence);
    void QueueQuit();

    // Moves the oldest result into out; false when there is none.
    bool GetResult(CSstpResult& out);

    // Waits until the thread has ended (after a quit request).
    void Wait();
    // kStillActive while the thread runs, kQuitExitCode once it has ended.
    int32_t ExitCode() const { return exitCode_.load(); }

private:
    void AddRequest(CSstpRequest request);
    CSstpRequest NextRequest();
    CSstpResult ProcessRequest(const CSstpRequest& request);
    void AddResult(CSstpResult result);
    void Run();

    CSstpSocket& socket_;
    const std::function<void()> notify_;

    std::mutex requestLock_;
    std::condition_variable requestQueued_;
    std::deque<CSstpRequest> requests_;

    std::mutex resultLock_;
    std::deque<CSstpResult> results_;

    std::atomic<int32_t> exitCode_{kStillActive};
    std::thread thread_;
};
