#include "dokoitu_02.h"

#include "dokoitu_01.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QVBoxLayout>

namespace {

// The balloon the preview sits in: a rounded box with its tail at the lower left, 200 x 160.
QPixmap balloonPicture() {
    QPixmap picture(200, 160);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath outline;
    outline.addRoundedRect(QRectF(3, 3, 194, 130), 14, 14);
    QPainterPath tail;
    tail.moveTo(38, 128);
    tail.lineTo(24, 156);
    tail.lineTo(64, 128);
    tail.closeSubpath();
    painter.setPen(QPen(QColor(0x3a, 0x3c, 0x4a), 2));
    painter.setBrush(QColor(0xff, 0xfd, 0xf5));
    painter.drawPath(outline.united(tail));
    return picture;
}

QString lines(const std::array<QString, 3>& words) {
    return words[0] + QLatin1Char('\n') + words[1] + QLatin1Char('\n') + words[2];
}

} // namespace

dokoitu_02::dokoitu_02(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("dokoitu_02"));
    setWindowTitle(QStringLiteral("テキスト入力ウィンドウ"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* texts = new QVBoxLayout;
    for (int i = 0; i < static_cast<int>(Text1.size()); ++i) {
        Text1[i] = new QLineEdit(this);
        Text1[i]->setObjectName(QStringLiteral("Text1_%1").arg(i));
        texts->addWidget(Text1[i]);
    }
    texts->addStretch(1);

    static const char* const captions[] = {"実　行", "キャンセル", "確　認"};
    texts->addLayout(dokoitu::ButtonRow(this, Command1, captions, [this](int i) { Command1_Click(i); }));

    Image2 = new QLabel(this);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setFixedSize(200, 160);
    Image2->setPixmap(balloonPicture());
    // Where the balloon with its tail below shows its text.
    Label1 = new balloon::Label(Image2, balloon::Label::Title::stays);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(balloon::kLabelLeft, 16);

    StatusBar1 = dokoitu::StatusBar(this);

    auto* body = new QHBoxLayout;
    body->addLayout(texts, 1);
    body->addWidget(Image2, 0, Qt::AlignTop);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body);
    layout->addWidget(StatusBar1);
    resize(480, 220);

    Form_Load();
}

dokoitu_02* dokoitu_02::Show() {
    return dokoitu::ShowDefault(instance_);
}

void dokoitu_02::Form_Load() {
    table_ = heart::tableFromName(dokoitu::EditTable);
    adding_ = dokoitu::EditMode.trimmed().toInt() == 0;
    id_ = dokoitu::EditId;

    for (int i = 0; i < 3; ++i) {
        if (adding_)
            dokoitu::EditWords[i].clear();
        Text1[i]->setText(dokoitu::EditWords[i]);
    }

    Label1->setFont(balloon::Font(this));

    const auto& words = dokoitu::EditWords;
    if (table_ == heart::Table::flower)
        Label1->setText(QStringLiteral("今日の花は") + QLatin1Char('\n') + words[0] + QLatin1Char('\n') +
                        QStringLiteral("花言葉は") + QLatin1Char('\n') + words[1] + QLatin1Char('\n') +
                        words[2]);
    else
        Label1->setText(lines(words));

    if (table_) {
        const QString table = dokoitu::ChooserText(*table_);
        StatusBar1->showMessage(adding_ ? table : table + QStringLiteral("　ID %1").arg(id_));
    }
}

void dokoitu_02::Command1_Click(int index) {
    switch (index) {
    case 0:
        if (data_update() != Update::failed)
            close();
        return;
    case 1:
        close();
        return;
    case 2:
        for (int i = 0; i < 3; ++i)
            dokoitu::EditWords[i] = Text1[i]->text();
        Label1->setText(lines(dokoitu::EditWords));
        return;
    default:
        return;
    }
}

dokoitu_02::Update dokoitu_02::data_update() {
    const QString w0 = Text1[0]->text(), w1 = Text1[1]->text(), w2 = Text1[2]->text();
    if (w0.isEmpty() && w1.isEmpty() && w2.isEmpty()) {
        dokoitu::Message(this, dokoitu::Icon::exclamation, QStringLiteral("一項目は埋めてください"));
        return Update::refused;
    }
    if (!table_) {
        dokoitu::Message(this, dokoitu::Icon::exclamation, dokoitu::DatabaseFailure(dokoitu::EditTable));
        return Update::failed;
    }
    auto opened = heart::open();
    if (!opened.db) {
        dokoitu::Message(this, dokoitu::Icon::exclamation, dokoitu::DatabaseFailure(opened.error));
        return Update::failed;
    }
    heart::Connection& db = *opened.db;

    if (adding_) {
        // An empty table has no highest id: its first row takes id 0.
        const auto id = heart::firstFreeId(db, *table_);
        if (!id || !heart::addRow(db, *table_, *id, w0, w1, w2)) {
            dokoitu::Message(this, dokoitu::Icon::exclamation, dokoitu::DatabaseFailure(db.error()));
            return Update::failed;
        }
        return Update::stored;
    }
    if (!heart::changeRow(db, *table_, id_, w0, w1, w2)) {
        dokoitu::Message(this, dokoitu::Icon::exclamation, dokoitu::WriteFailure(db, *table_, id_));
        return Update::failed;
    }
    return Update::stored;
}

void dokoitu_02::Form_Unload() {
    if (dokoitu_01* list = dokoitu_01::Instance())
        list->make_view();
}

void dokoitu_02::closeEvent(QCloseEvent* event) {
    dokoitu::Forget(instance_, this);
    Form_Unload();
    event->accept();
}
