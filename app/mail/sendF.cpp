#include "sendF.h"

#include "app/settings/settings_db.h"
#include "app/state/flag.h"
#include "app/state/speak.h"
#include "app/window/morvik.h"
#include "app/window/services.h"
#include "maillook.h"
#include "send.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>

namespace {

sendF* loaded = nullptr;

// A place of the design in twips, in pixels at 15 twips to the pixel.
QRect twips(int left, int top, int width, int height) {
    auto px = [](int t) { return (t + 7) / 15; };
    return {px(left), px(top), px(width), px(height)};
}

} // namespace

sendF::sendF() {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("メールを送る"));
    resize(twips(0, 0, 7950, 5790).size());

    Command1 = new QPushButton(QStringLiteral("送信"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(twips(120, 120, 1092, 252));
    Command2 = new QPushButton(QStringLiteral("やめる"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(twips(1440, 120, 1212, 252));
    Label1 = new QLabel(QStringLiteral("宛先："), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(twips(120, 540, 732, 252));
    sendaddress = new QLineEdit(this);
    sendaddress->setObjectName(QStringLiteral("sendaddress"));
    sendaddress->setGeometry(twips(720, 480, 7095, 264));
    Label2 = new QLabel(QStringLiteral("件名："), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(twips(120, 860, 492, 252));
    sendtitle = new QLineEdit(this);
    sendtitle->setObjectName(QStringLiteral("sendtitle"));
    sendtitle->setGeometry(twips(720, 840, 7095, 264));
    sendbody = new QPlainTextEdit(this);
    sendbody->setObjectName(QStringLiteral("sendbody"));
    sendbody->setGeometry(twips(120, 1200, 7695, 4455));
    sendbody->setLineWrapMode(QPlainTextEdit::NoWrap);
    sendbody->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    sendbody->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    sendbody->setTabChangesFocus(true);

    // Tab order: recipient, subject, body, 送信, やめる (the labels take no focus).
    setTabOrder(sendaddress, sendtitle);
    setTabOrder(sendtitle, sendbody);
    setTabOrder(sendbody, Command1);
    setTabOrder(Command1, Command2);

    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
}

sendF::~sendF() {
    if (loaded == this)
        loaded = nullptr;
}

sendF* sendF::Instance() {
    return loaded;
}

void sendF::Show() {
    if (!loaded) {
        loaded = new sendF;
        loaded->Form_Load();
    }
    loaded->show();
    loaded->raise();
    loaded->activateWindow();
    loaded->sendaddress->setFocus();
}

void sendF::Unload() {
    sendF* window = loaded;
    loaded = nullptr;
    delete window;
}

void sendF::Form_Load() {
    maillook* list = maillook::Instance();
    if (!list)
        return;
    for (int i = 0; i < list->ListView1->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = list->ListView1->topLevelItem(i);
        if (!item->isSelected())
            continue;
        sendaddress->setText(item->text(1));
        sendtitle->setText(QStringLiteral("Re:") + item->text(0));
        return;
    }
}

void sendF::Command1_Click() {
    if (!mail::sendSettings()) {
        mail::sayNotSetUp();
        return;
    }
    if (sendbody->toPlainText().isEmpty() || sendtitle->text().isEmpty() || sendaddress->text().isEmpty()) {
        if (morvik::MessageBox)
            morvik::MessageBox(QStringLiteral("空欄があります"));
        return;
    }
    if (!mail::SendMail())
        return;
    speak::state.TalkText = QStringLiteral("送信完了しました");
    flag::state.VoicePath.clear(); // this line has no voice: never replay an older clip
    services::talk().ShowFuki();
    close();
}

void sendF::Command2_Click() {
    hide();
}

void sendF::closeEvent(QCloseEvent* event) {
    if (loaded == this)
        loaded = nullptr;
    event->accept();
}
