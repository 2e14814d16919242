#include "palk.h"

#include "app/settings/IniManage.h"
#include "app/settings/settings_keys.h"
#include "app/shapes/outlines.h"
#include "app/state/flag.h"
#include "app/talk/balloon_layout.h"
#include "app/talk/fuki3.h"
#include "app/window/os_version.h"
#include "app/window/picture_stores.h"
#include "palk_peers.h"
#include "platform/pace.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <utility>

namespace {

// His menu: caption and key, in order.
struct MenuItem {
    const char16_t* caption;
    const char* key;
};
constexpr MenuItem kMenu[] = {
    {u"再更新　　", "ReRun"},        {u"ヘッドライン更新", "hed_check"}, {u"時間調整", "SetSntpConnect"},
    {u"メール取り込み", "get_mail"}, {u"パルクを閉じる", "end_palk"},
};

} // namespace

palk::palk() : QWidget(nullptr, Qt::FramelessWindowHint | Qt::Tool) {
    setObjectName(QStringLiteral("palk"));
    setWindowTitle(QStringLiteral("パルク"));
    // His own window class on X, as the balloons and ヴェンス have theirs.
    balloon::NameWindowClass(this, "palk");
    // The picture he is designed with.
    Image1 = companion::Dress(this, kWidth, kHeight, gra::palk_img1());

    Timer1.onTick([this] { Timer1_Timer(); });
    Timer3.onTick([this] { Timer3_Timer(); });
    drag_.OnPressEnd([] { fuki3::Unload(); });
}

palk* palk::Show() {
    if (open_) {
        open_->show();
        return open_;
    }
    open_ = new palk();
    open_->Form_Load();
    // An unload asked while the chores of the load ran has closed him already.
    return open_;
}

void palk::Unload(Balloon balloon) {
    palk* window = open_;
    if (!window)
        return;
    if (window->chores_ > 0) {
        // Under a running chore: the last chore to return closes him. Asked for the balloon too
        // once, the balloon goes.
        if (!window->unloadAsked_ || balloon == Balloon::goes)
            window->unloadAsked_ = balloon;
        if (flag::state.Exiting) {
            palk_peers::headlines().Cancel();
            palk_peers::clock().Cancel();
        }
        return;
    }
    window->unloadAsked_ = balloon;
    window->finishUnload();
}

bool palk::UnloadAfterRefusal() {
    palk* window = open_;
    fuki3* shown = fuki3::Instance();
    if (!window || !window->balloonClose_ || !shown)
        return false;
    // The balloon goes by the refusal's timer or by a press; whatever closes it closes him.
    connect(shown, &QObject::destroyed, window, [] { Unload(Balloon::goes); });
    return true;
}

void palk::finishUnload() {
    const Balloon balloon = unloadAsked_.value_or(Balloon::stays);
    open_ = nullptr;
    Form_Unload();
    hide();
    deleteLater();
    if (balloon == Balloon::goes)
        fuki3::Unload();
}

void palk::Form_Load() {
    IniManage::BeginBatch();
    if (!settings_keys::flag(QStringLiteral("fuwafuwa")))
        Timer1.setEnabled(false);
    const QPoint her = balloon::CharacterCorner();
    companion::MoveTo(this, her.x() + kFromHerLeft, her.y() + kFromHerTop);
    RgnCall4::ShapePalk(this);
    IniManage::BeginBatch();
    ExitWindow::GetOsKind();
    NetAutoConnect = IniManage::GetIni(QStringLiteral("NetAutoConnect"));
    HedAutoRev = IniManage::GetIni(QStringLiteral("HedAutoRev"));
    TimeUpdate = IniManage::GetIni(QStringLiteral("TimeUpdate"));
    MailAutoRev = IniManage::GetIni(QStringLiteral("MailAutoRev"));
    AutoEndKey = IniManage::GetIni(QStringLiteral("AutoEnd"));
    proxy = IniManage::GetIni(QStringLiteral("proxy"));
    show();
    ChoreScope chore(*this);
    pass("chksys", [this] { chksys(); });
}

void palk::Form_Unload() {
    Timer1.setEnabled(false);
    Timer2.setEnabled(false);
    Timer3.setEnabled(false);
    if (migi_Pop) {
        migi_Pop->close();
        migi_Pop->deleteLater();
        migi_Pop = nullptr;
    }
}

void palk::ShowPopupMenu(QPoint globalPos, bool show) {
    if (migi_Pop) {
        migi_Pop->close();
        migi_Pop->deleteLater();
    }
    migi_Pop = new QMenu(this);
    migi_Pop->setObjectName(QStringLiteral("migi_Pop"));
    for (const MenuItem& item : kMenu) {
        QAction* action = migi_Pop->addAction(QString::fromUtf16(item.caption));
        action->setData(QString::fromLatin1(item.key));
    }
    connect(migi_Pop, &QMenu::triggered, this,
            [this](QAction* action) { migi_Pop_Chosen(action->data().toString()); });
    if (show)
        migi_Pop->popup(globalPos);
}

void palk::migi_Pop_Chosen(const QString& key) {
    // Chosen while a chore runs (its pauses let the menu through): nothing now or later.
    if (chores_ > 0 && key != QStringLiteral("end_palk"))
        return;
    // Chosen inside his blink's pause, it would run with his eyes shut until it returned.
    const QPointer<palk> self(this);
    platform::pace::whenFree([self, key] {
        if (self && open_.data() == self.data())
            self->migi_Pop_Click(key);
    });
}

void palk::migi_Pop_Click(const QString& key) {
    if (key == QStringLiteral("end_palk")) {
        Unload(Balloon::stays);
        return;
    }
    // One chore at a time: an item chosen while one runs (its pauses let the menu through) does
    // nothing.
    if (chores_ > 0)
        return;
    ChoreScope chore(*this);
    if (key == QStringLiteral("ReRun")) {
        pass("ReRun", [this] { chksys(); });
    } else if (key == QStringLiteral("hed_check")) {
        pass("hed_check", [this] { HeadlineChore(); });
        if (fuki3* shown = fuki3::Instance(); shown && shown->isVisible())
            shown->hide();
    } else if (key == QStringLiteral("SetSntpConnect")) {
        pass("SetSntpConnect", [this] { SetSntpConnect(); });
    } else if (key == QStringLiteral("get_mail")) {
        pass("get_mail", [this] { get_mail(); });
    }
}

void palk::AutoEnd() {
    if (AutoEndKey == QStringLiteral("1")) {
        fuki3::Unload();
        Unload(Balloon::goes);
    }
}

void palk::Form_MouseDown(int button, QPoint globalPos) {
    if (button & 1)
        drag_.Press(globalPos);
    if (button == 2)
        ShowPopupMenu(globalPos, true);
}

void palk::Timer1_Timer() {
    float_.Tick(this);
}

void palk::Timer3_Timer() {
    companion::Blink(Image1, gra::palk_img2(), gra::palk_img1(), Timer3);
}

void palk::mousePressEvent(QMouseEvent* event) {
    Form_MouseDown(PressDrag::Button(event), event->globalPosition().toPoint());
}

void palk::mouseMoveEvent(QMouseEvent* event) {
    drag_.Move(event);
}

void palk::mouseReleaseEvent(QMouseEvent* event) {
    drag_.Release(event);
    QWidget::mouseReleaseEvent(event);
}

void palk::closeEvent(QCloseEvent* event) {
    // Closed by the window system: as when his menu's last item closes him, so under a running
    // chore he stays until it has returned.
    if (chores_ > 0)
        event->ignore();
    else
        event->accept();
    if (open_.data() == this)
        Unload(Balloon::stays);
}

fuki3* palk::balloon() {
    if (fuki3* open = fuki3::Instance())
        return open;
    return fuki3::Open(this);
}

void palk::say(const QString& text) {
    forgetBalloonClose();
    fuki3* shown = balloon();
    shown->Label1->setText(text);
    shown->show();
}

void palk::write(const QString& text) {
    forgetBalloonClose();
    balloon()->Label1->setText(text);
}

int palk::RefusalShownMs() {
    // He has no voice: no clip keeps the balloon up.
    const balloon::CloseTimer close = balloon::MainCloseTimer(balloon::FukiCloseSetting(), false);
    return close.enabled && close.interval > 0 ? close.interval : kRefusalFallbackMs;
}

void palk::sayRefusal() {
    if (refusal_.isEmpty())
        return;
    const QString text = std::exchange(refusal_, QString());
    if (flag::state.Exiting)
        return;
    say(text);
    // fuki3 has no close timer of its own. This one lives with the balloon: a press that closes it
    // takes the timer along, and the balloon outlives an unload of his window.
    fuki3* shown = fuki3::Instance();
    auto* close = new platform::Timer(shown, RefusalShownMs(), true);
    const QPointer<fuki3> owner(shown);
    close->onTick([close, owner] {
        close->setEnabled(false);
        close->deleteLater();
        if (owner && fuki3::Instance() == owner.data())
            fuki3::Unload();
    });
    balloonClose_ = close;
}

void palk::forgetBalloonClose() {
    if (!balloonClose_)
        return;
    balloonClose_->setEnabled(false);
    balloonClose_->deleteLater();
    balloonClose_ = nullptr;
}

palk::ChoreScope::ChoreScope(palk& window) : window_(window) {
    ++window_.chores_;
}

palk::ChoreScope::~ChoreScope() {
    if (--window_.chores_ > 0)
        return;
    // After the chore's own closing of the balloon, which would take a refusal said earlier along.
    window_.sayRefusal();
    if (window_.unloadAsked_ && open_.data() == &window_)
        window_.finishUnload();
}
