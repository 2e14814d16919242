#include "SakuraThread.h"

#include <system_error>

CSakuraThread::CSakuraThread(CSstpSocket& socket, std::function<void()> notify)
    : socket_(socket), notify_(std::move(notify)) {}

CSakuraThread::~CSakuraThread() {
    if (thread_.joinable()) {
        {
            const std::lock_guard lock(requestLock_);
            requests_.clear();
        }
        QueueQuit();
        thread_.join();
    }
}

bool CSakuraThread::Start() {
    try {
        thread_ = std::thread(&CSakuraThread::Run, this);
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

int32_t CSakuraThread::QueueSend(const QByteArray& script, int32_t option) {
    AddRequest({CSstpRequest::kSend, script, {}, option, 0});
    return 0;
}

int32_t CSakuraThread::QueueSend2(const QByteArray& script, const QByteArray& entry) {
    AddRequest({CSstpRequest::kSend2, script, entry, 0, 0});
    return 0;
}

int32_t CSakuraThread::QueueSendEx(const QByteArray& script, const QByteArray& entry, int32_t hwnd) {
    AddRequest({CSstpRequest::kSendEx, script, entry, 0, hwnd});
    return 0;
}

int32_t CSakuraThread::QueueExecute(const QByteArray& command) {
    AddRequest({CSstpRequest::kExecute, command, {}, 0, 0});
    return 0;
}

int32_t CSakuraThread::QueueGiveDocument(const QByteArray& document) {
    AddRequest({CSstpRequest::kGiveDocument, document, {}, 0, 0});
    return 0;
}

int32_t CSakuraThread::QueueGiveSongname(const QByteArray& songname) {
    AddRequest({CSstpRequest::kGiveSongname, songname, {}, 0, 0});
    return 0;
}

int32_t CSakuraThread::QueueCommunicate(const QByteArray& sentence) {
    AddRequest({CSstpRequest::kCommunicate, sentence, {}, 0, 0});
    return 0;
}

void CSakuraThread::QueueQuit() {
    AddRequest({CSstpRequest::kQuit, {}, {}, 0, 0});
}

bool CSakuraThread::GetResult(CSstpResult& out) {
    const std::lock_guard lock(resultLock_);
    if (results_.empty())
        return false;
    out = std::move(results_.front());
    results_.pop_front();
    return true;
}

void CSakuraThread::Wait() {
    if (thread_.joinable())
        thread_.join();
}

void CSakuraThread::AddRequest(CSstpRequest request) {
    {
        const std::lock_guard lock(requestLock_);
        requests_.push_back(std::move(request));
    }
    requestQueued_.notify_one();
}

CSstpRequest CSakuraThread::NextRequest() {
    std::unique_lock lock(requestLock_);
    requestQueued_.wait(lock, [this] { return !requests_.empty(); });
    CSstpRequest request = std::move(requests_.front());
    requests_.pop_front();
    return request;
}

CSstpResult CSakuraThread::ProcessRequest(const CSstpRequest& request) {
    int32_t code = CSstpSocket::kSendFailed;
    switch (request.type) {
    case CSstpRequest::kSend:
        code = socket_.Send(request.text, request.option);
        break;
    case CSstpRequest::kSend2:
        code = socket_.Send2(request.text, request.entry);
        break;
    case CSstpRequest::kSendEx:
        code = socket_.SendEx(request.text, request.entry, request.hwnd);
        break;
    case CSstpRequest::kExecute:
        code = socket_.Execute(request.text);
        break;
    case CSstpRequest::kGiveDocument:
        code = socket_.GiveDocument(request.text);
        break;
    case CSstpRequest::kGiveSongname:
        code = socket_.GiveSongname(request.text);
        break;
    case CSstpRequest::kCommunicate:
        code = socket_.Communicate(request.text);
        break;
    }
    if (code != CSstpSocket::kOk)
        return {code, 0, {}};
    return {code, socket_.StatusCode(), socket_.Response()};
}

void CSakuraThread::AddResult(CSstpResult result) {
    {
        const std::lock_guard lock(resultLock_);
        results_.push_back(std::move(result));
    }
    notify_();
}

void CSakuraThread::Run() {
    for (;;) {
        const CSstpRequest request = NextRequest();
        if (request.type == CSstpRequest::kQuit) {
            exitCode_.store(kQuitExitCode);
            return;
        }
        AddResult(ProcessRequest(request));
    }
}
