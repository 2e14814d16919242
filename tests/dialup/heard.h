#pragma once
// What a dial-up object says: its signals, in the order raised, with the pauses recorded before them.
#include "app/dialup/VBRas32.h"
#include "platform/pace.h"

#include <QObject>
#include <QStringList>

struct Heard {
    QStringList events;
    platform::pace::Recorder recorder;
    QObject listening; // the connections go with it

    explicit Heard(VBRas32& ras) {
        QObject::connect(&ras, &VBRas32::ConnectComplete, &listening, [this] { note("ConnectComplete"); });
        QObject::connect(&ras, &VBRas32::ConnectError, &listening,
                         [this](qint32 code) { note(QStringLiteral("ConnectError %1").arg(code)); });
    }
    void note(const QString& what) {
        events << recorder.events << what;
        recorder.events.clear();
    }
};
