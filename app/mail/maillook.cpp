#include "maillook.h"

#include "app/state/flag.h"
#include "app/state/speak.h"
#include "app/window/Trei.h"
#include "app/window/services.h"
#include "app/window/stage.h"
#include "mail.h"
#include "mail_cache.h"
#include "platform/program_folder.h"
#include "sendF.h"

#include <QCloseEvent>
#include <QCursor>
#include <QFile>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTreeWidget>

namespace {

maillook* loaded = nullptr;

// Design of the inner area, in pixels.
constexpr int kListTop = 8;
constexpr int kListHeight = 121;
constexpr int kInnerWidth = 644;
constexpr int kInnerHeight = 531;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kStatusHeight = 18;

constexpr int kIdRole = Qt::UserRole;

void setBarColour(QWidget* bar, QPalette::ColorRole role) {
    QPalette palette = bar->palette();
    palette.setColor(QPalette::Window, bar->palette().color(role));
    bar->setPalette(palette);
}

} // namespace

maillook::maillook() {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("メール確認ウィンドウ"));

    ListView1 = new QTreeWidget(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setRootIsDecorated(false);
    ListView1->setSortingEnabled(false);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setUniformRowHeights(true);
    ListView1->setColumnCount(0);
    ListView1->viewport()->installEventFilter(this);

    Picture1 = new QWidget(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setAutoFillBackground(true);
    Picture1->setMouseTracking(true);
    setBarColour(Picture1, QPalette::Button);
    Picture1->installEventFilter(this);

    Text1 = new QPlainTextEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setReadOnly(true);
    Text1->setLineWrapMode(QPlainTextEdit::WidgetWidth);

    Command1 = new QPushButton(QStringLiteral("閉じる"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);

    sendto = new QMenu(QStringLiteral("メール"), this);
    sendto->setObjectName(QStringLiteral("sendto"));
    resend = sendto->addAction(QStringLiteral("返信する"));
    resend->setObjectName(QStringLiteral("resend"));
    delmail = sendto->addAction(QStringLiteral("サーバから削除する"));
    delmail->setObjectName(QStringLiteral("delmail"));
    connect(resend, &QAction::triggered, this, [this] { resend_Click(); });

    connect(ListView1, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { ListView1_ItemClick(item); });
    // The right button and the keys move the selection too: the body follows it, so that the
    // message on screen is the one "返信する" answers. (The current item changes before the
    // selection on a press: it cannot tell.)
    connect(ListView1, &QTreeWidget::itemSelectionChanged, this, [this] {
        QTreeWidgetItem* item = ListView1->currentItem();
        if (!item)
            return;
        // A Ctrl+click takes the row out of the selection, which would leave its body on screen
        // with nothing to answer: the row on screen stays picked.
        if (!item->isSelected() && ListView1->selectedItems().isEmpty()) {
            item->setSelected(true);
            return;
        }
        if (item->isSelected())
            ListView1_ItemClick(item);
    });

    ListView1->setGeometry(0, kListTop, kInnerWidth - 3, kListHeight);
    Text1->setGeometry(0, kListTop + kListHeight + kBarHeight, kInnerWidth - 3, kInnerHeight - 186);
    Command1->setGeometry(kInnerWidth - 84, kInnerHeight - 43, kButtonWidth, kButtonHeight);
    resize(kInnerWidth, kInnerHeight);
    updateMinimumSize();
}

maillook::~maillook() {
    if (loaded == this)
        loaded = nullptr;
}

maillook* maillook::Instance() {
    return loaded;
}

void maillook::Show() {
    const bool fresh = loaded == nullptr;
    if (fresh)
        loaded = new maillook;
    maillook* window = loaded;
    if (!window->Form_Load()) {
        loaded = nullptr;
        window->hide();
        window->deleteLater();
        return;
    }
    window->show();
    window->raise();
    window->activateWindow();
}

void maillook::Unload() {
    maillook* window = loaded;
    loaded = nullptr;
    delete window;
}

bool maillook::Form_Load() {
    const bool present = QFile::exists(mail::cache::path());
    std::optional<std::vector<mail::cache::Row>> rows;
    if (present && flag::state.MailAbort != 1)
        rows = mail::cache::readAll();
    if (!rows) {
        // A cache that is there but cannot be read is as good as none: the download did not get
        // through.
        speak::state.VoiceId = QStringLiteral("21");
        services::talk().PlayCommonVoice();
        flag::state.VoicePath = services::commonVoicePath(speak::state.VoiceId);
        speak::state.TalkText = QStringLiteral("サーバーへのアクセスに失敗しました");
        services::talk().ShowFuki();
        if (Stage* stage = Stage::Current())
            stage->GiveBackStage();
        flag::state.MailAbort = 0;
        return false;
    }
    if (Stage* stage = Stage::Current(); stage && stage->Running(Stage::BusyAnimation))
        stage->Stop(Stage::BusyAnimation);
    Trei::SetListViewExStyle(ListView1, true, 0x20);

    ListView1->clear();
    ListView1->setHeaderLabels({QStringLiteral("件名"), QStringLiteral("差出人"), QStringLiteral("日付"),
                                QStringLiteral("アカウント")});
    QHeaderView* header = ListView1->header();
    header->setStretchLastSection(false);
    header->resizeSection(0, 200);
    header->resizeSection(1, 180);
    header->resizeSection(2, 120);
    header->resizeSection(3, header->defaultSectionSize());
    header->setSectionsClickable(false);
    for (const mail::cache::Row& row : *rows) {
        auto* item =
            new QTreeWidgetItem(ListView1, {row.subject.mid(8), row.from.mid(5), row.date.mid(5), row.user});
        item->setData(0, kIdRole, row.id);
    }
    Text1->clear();

    Picture1->setGeometry(0, ListView1->y() + ListView1->height(), width() - 3, kBarHeight);
    Text1->move(0, Picture1->y() + kBarHeight);
    return true;
}

void maillook::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    updateMinimumSize();
}

void maillook::updateMinimumSize() {
    // The frame is the window manager's: known once shown, nothing on the offscreen platform.
    const int frameWidth = frameGeometry().width() - width();
    const int frameHeight = frameGeometry().height() - height();
    setMinimumSize(std::max(1, kFloorPixels - frameWidth), std::max(1, kFloorPixels - frameHeight));
}

void maillook::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

void maillook::Form_Resize() {
    const QRect outer = frameGeometry();
    if (outer.width() < kFloorPixels) {
        resize(width() + kFloorPixels - outer.width(), height());
        return;
    }
    if (outer.height() < kFloorPixels) {
        resize(width(), height() + kFloorPixels - outer.height());
        return;
    }
    const int w = width(), h = height();
    ListView1->resize(w - 3, ListView1->height());
    Text1->resize(w - 3, std::max(0, h - 186));
    Command1->move(w - 84, h - 43);
    Picture1->setGeometry(0, qint16(ListView1->y()) + qint16(ListView1->height()), w - 3, kBarHeight);
    StatusBar1->setGeometry(0, h - kStatusHeight, w, kStatusHeight);
}

void maillook::Redraw() {
    const int listHeight = Picture1->y() - ListView1->y();
    ListView1->resize(ListView1->width(), std::max(0, listHeight));
    Text1->move(Text1->x(), Picture1->y() + Picture1->height());
    Text1->resize(Text1->width(), std::max(0, height() - (listHeight + Picture1->height()) - 58));
}

void maillook::Picture1_MouseDown() {
    Dragging = true;
    setBarColour(Picture1, QPalette::Dark);
    Picture1->setCursor(Qt::SizeVerCursor);
}

void maillook::Picture1_MouseMove(int y) {
    Picture1->setCursor(Qt::SizeVerCursor);
    if (Dragging) {
        int top = Picture1->y() + y;
        if (top < 100)
            top = 100;
        if (top > height() - 100)
            top = height() - 100;
        Picture1->move(Picture1->x(), top);
    }
    Redraw();
}

void maillook::Picture1_MouseUp() {
    Dragging = false;
    setBarColour(Picture1, QPalette::Button);
    Picture1->setCursor(Qt::ArrowCursor);
}

bool maillook::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Picture1) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            Picture1_MouseDown();
            return true;
        case QEvent::MouseMove:
            Picture1_MouseMove(qRound(static_cast<QMouseEvent*>(event)->position().y()));
            return true;
        case QEvent::MouseButtonRelease:
            Picture1_MouseUp();
            return true;
        default:
            break;
        }
    } else if (watched == ListView1->viewport()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            // A press below the rows would drop the pick, and "返信する" would answer nothing
            // while a body still shows: the pick stays.
            if (!ListView1->itemAt(static_cast<QMouseEvent*>(event)->position().toPoint()))
                return true;
            break;
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::RightButton)
                sendto->popup(QCursor::pos());
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void maillook::ListView1_ItemClick(QTreeWidgetItem* item) {
    (void)item;
    for (int i = 0; i < ListView1->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = ListView1->topLevelItem(i);
        if (!row->isSelected())
            continue;
        // A row that cannot be read leaves the body shown as it was.
        if (const std::optional<mail::cache::Row> record =
                mail::cache::read(row->data(0, kIdRole).toLongLong()))
            Text1->setPlainText(record->body.mid(5));
    }
}

void maillook::resend_Click() {
    sendF::Show();
}

void maillook::Command1_Click() {
    close();
}

void maillook::closeEvent(QCloseEvent* event) {
    // Every way of closing: only the program's own temporary files go, and her timers come back.
    platform::deleteTempFiles(QStringLiteral("*.tmp"));
    mail::deleteMessageFiles();
    if (Stage* stage = Stage::Current())
        stage->GiveBackStage();
    if (loaded == this)
        loaded = nullptr;
    event->accept();
}

void MailService::ShowMailList() {
    maillook::Show();
}
