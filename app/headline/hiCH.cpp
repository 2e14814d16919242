#include "hiCH.h"

#include "hls.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>

hiCH::hiCH(hls* owner) : QWidget(owner, Qt::Window), owner_(owner) {
    setObjectName(QStringLiteral("hiCH"));
    setWindowTitle(QStringLiteral("更新中"));
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(16, 12, 260, 20);
    Command1 = new QPushButton(QStringLiteral("キャンセル"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(104, 44, 84, 25);
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    setFixedSize(292, 80);
    Form_Load();
}

void hiCH::Form_Load() {
    const QListWidgetItem* selected = owner_->list1->currentItem();
    Label1->setText((selected ? selected->text() : QString()) + QStringLiteral("を更新してます"));
}

void hiCH::Command1_Click() {
    owner_->engine.cancel();
    owner_->EnableButtons(true);
    owner_->UnloadProgress();
}
