#include "sinCH.h"

#include "hls.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

sinCH::sinCH(hls* owner) : QWidget(owner, Qt::Window), owner_(owner) {
    setObjectName(QStringLiteral("sinCH"));
    setWindowTitle(QStringLiteral("ヘッドライン更新中"));
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(16, 12, 260, 20);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(16, 40, 260, 20);
    ProgressBar1->setMinimum(0);
    // Two ideographic spaces between the two characters.
    Command1 = new QPushButton(QStringLiteral("中\u3000\u3000止"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(104, 72, 84, 25);
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    Timer1.onTick([this] { Timer1_Timer(); });
    setFixedSize(292, 108);
    Form_Load();
}

void sinCH::Form_Load() {
    ProgressBar1->setMaximum(owner_->site_count);
    Label1->setText(owner_->site_name + QStringLiteral("を更新してます"));
    Timer1.setEnabled(true);
    Command1->setEnabled(true);
}

void sinCH::Timer1_Timer() {
    Label1->setText(owner_->site_name + QStringLiteral("を更新してます"));
    ProgressBar1->setValue(owner_->progress);
}

void sinCH::Command1_Click() {
    owner_->stop_flag = 1;
    owner_->engine.stop();
    Label1->setText(QStringLiteral("中断処理中です"));
    Timer1.setEnabled(false);
    Command1->setEnabled(false);
}
