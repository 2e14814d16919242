#include "hiCH.h"

#include "hls.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>

hiCH::hiCH(hls* owner) : QWidget(owner, Qt::Window), owner_(owner) {
    setObjectName(QStringLiteral("hiCH"));
    setWindowTitle(QStringLiteral("更新中"));
    setFont(hls::UiFont());
    Label1 = hls::SiteLabel(this);
    Command1 = new QPushButton(QStringLiteral("キャンセル"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(104, 54, 84, 25);
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    setFixedSize(292, 90);
    Form_Load();
}

void hiCH::Form_Load() {
    const QListWidgetItem* selected = owner_->list1->currentItem();
    Label1->setText(hls::Updating(selected ? selected->text() : QString()));
}

void hiCH::Command1_Click() {
    owner_->engine.cancel();
    owner_->EnableButtons(true);
    owner_->UnloadProgress();
}
