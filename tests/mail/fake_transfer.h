#pragma once
// Stand-in POP3 servers behind the mail transfer table, one mailbox per user name, recording every
// call ("STAT ann", "SAVEALL bob"). The calls come from a worker thread; the test reads the record
// after the check or download has returned. A failing call's reason is the mailbox's, read on the
// calling thread as the library's is.
#include "app/mail/accounts.h"
#include "app/mail/transfer.h"
#include "app/state/flag.h"

#include <QMap>
#include <QMutex>
#include <QStringList>
#include <functional>
#include <optional>

struct FakeMailbox {
    std::optional<QString> stat; // STAT's element 0; nothing: the server fails
    QStringList subjects;        // LIST's subjects and, for SAVEALL, one message each
    bool saveFails = false;      // SAVEALL fails
    int readFailsAt = -1;        // ReadMail of this message fails
    QString why = QStringLiteral("サーバに接続できません"); // the reason of a failing call
};

struct FakeServers {
    QMap<QString, FakeMailbox> boxes; // by user name
    QStringList calls;
    QList<int> busyDuringCalls;       // flag.MailBusy while each call ran
    std::function<void()> duringSave; // runs on the worker inside SAVEALL
    QMutex lock;

    mail::Transfer table() {
        return {[this](unsigned, const QString& server, const QString& user, const QString& password,
                       const QString& command,
                       const QString& folder) { return rcv(server, user, password, command, folder); },
                [this](const QString& file, const QString&, const QString&) { return read(file); },
                [this] {
                    QMutexLocker locked(&lock);
                    calls << QStringLiteral("cancel");
                },
                [] { return 0u; }, [] { return lastReason(); }};
    }

    static QString& lastReason() {
        static thread_local QString reason;
        return reason;
    }

    std::optional<QStringList> rcv(const QString& server, const QString& user, const QString& password,
                                   const QString& command, const QString& folder) {
        (void)password;
        {
            QMutexLocker locked(&lock);
            calls << command + QLatin1Char(' ') + user + QLatin1Char(' ') + server;
            busyDuringCalls << flag::state.MailBusy;
        }
        const FakeMailbox box = boxes.value(user);
        lastReason() = box.why;
        if (!box.stat)
            return std::nullopt;
        if (command == QStringLiteral("STAT"))
            return QStringList{*box.stat};
        if (command == QStringLiteral("LIST")) {
            QStringList list;
            for (const QString& subject : box.subjects)
                list << QStringLiteral("Subject:") + subject;
            return list;
        }
        if (command == QStringLiteral("SAVEALL")) {
            if (duringSave)
                duringSave();
            if (box.saveFails)
                return std::nullopt;
            QStringList files;
            for (int i = 0; i < box.subjects.size(); ++i)
                files << folder + QStringLiteral("/%1-%2.tmp").arg(user).arg(i);
            return files;
        }
        return std::nullopt;
    }

    std::optional<QStringList> read(const QString& file) {
        const QString name = file.section(QLatin1Char('/'), -1).chopped(4);
        const QString user = name.section(QLatin1Char('-'), 0, 0);
        const int index = name.section(QLatin1Char('-'), 1).toInt();
        const FakeMailbox box = boxes.value(user);
        lastReason() = QStringLiteral("メールのファイルを読めません");
        if (index == box.readFailsAt || index >= box.subjects.size())
            return std::nullopt;
        return QStringList{QStringLiteral("Subject:") + box.subjects[index], QStringLiteral("From:") + user,
                           QStringLiteral("Date:2026/12/10 11:20"), QString(),
                           QStringLiteral("Body:text %1").arg(index)};
    }
};

// Accounts as the settings dialog would give them: ann, bob, cid on hosts a, b, c.
inline mail::Accounts fakeAccounts(bool second, bool third) {
    mail::Accounts accounts;
    accounts[0] = {QStringLiteral("a.example"), QStringLiteral("110"), QStringLiteral("ann"),
                   QStringLiteral("pw1"), true};
    accounts[1] = {QStringLiteral("b.example"), QStringLiteral("1110"), QStringLiteral("bob"),
                   QStringLiteral("pw2"), second};
    accounts[2] = {QStringLiteral("c.example"), QStringLiteral("995"), QStringLiteral("cid"),
                   QStringLiteral("pw3"), third};
    return accounts;
}
