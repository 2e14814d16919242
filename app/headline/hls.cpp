#include "hls.h"

#include "app/settings/IniManage.h"
#include "app/state/flag.h"
#include "app/state/speak.h"
#include "app/talk/heart_db.h"
#include "app/window/services.h"
#include "app/window/stage.h"
#include "hiCH.h"
#include "sinCH.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFontDialog>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <cstdio>

std::function<QFont(const QFont&, QWidget*)> hls::ChooseFont;

namespace {

hls* loaded = nullptr;

constexpr int kButtonHeight = 25;
constexpr int kStatusHeight = 20;
constexpr int kIdRole = Qt::UserRole;

const QString kFontFace = QStringLiteral("Noto Sans CJK JP");
const QString kDateLabel = QStringLiteral("最終更新日時：");

QString shownLastDate(const QString& stored) {
    return stored.isEmpty() ? kDateLabel : kDateLabel + headline::shownDate(stored);
}

// A caption wider than the room inside its button is drawn smaller: the button keeps its place and
// width (フォント変更 has 73 pixels for six full-width characters).
void fitCaption(QPushButton* button) {
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    const int room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button).width();
    QFont font = button->font();
    while (QFontMetrics(font).horizontalAdvance(button->text()) > room && font.pointSizeF() > 6.0)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    button->setFont(font);
}

} // namespace

// The list's selection, which refuses every change while held: presses, keys and the code's
// setCurrentRow all come through here, so none of them can move the list off the updating site.
class hls::SiteSelection : public QItemSelectionModel {
public:
    using QItemSelectionModel::QItemSelectionModel;
    bool held = false;

    void setCurrentIndex(const QModelIndex& index, SelectionFlags command) override {
        if (!held)
            QItemSelectionModel::setCurrentIndex(index, command);
    }
    void select(const QModelIndex& index, SelectionFlags command) override {
        if (!held)
            QItemSelectionModel::select(index, command);
    }
    void select(const QItemSelection& selection, SelectionFlags command) override {
        if (!held)
            QItemSelectionModel::select(selection, command);
    }
    void clearCurrentIndex() override {
        if (!held)
            QItemSelectionModel::clearCurrentIndex();
    }
};

int hls::TwipsPerPixel(double logicalDpi) {
    return logicalDpi > 0 ? int(std::lround(1440.0 / logicalDpi)) : 15;
}

int hls::FloorPixels(int twipsPerPixel) {
    const int twips = std::max(1, twipsPerPixel);
    return (4000 + twips - 1) / twips;
}

bool hls::Openable(const QString& address) {
    const QUrl url(address, QUrl::TolerantMode);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
           !url.host().isEmpty();
}

QFont hls::UiFont() {
    QFont font(kFontFace);
    font.setPointSize(9);
    return font;
}

QLabel* hls::SiteLabel(QWidget* window) {
    auto* label = new QLabel(window);
    label->setObjectName(QStringLiteral("Label1"));
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setGeometry(16, 6, 260, 40);
    return label;
}

QString hls::Updating(const QString& site) {
    return site + QStringLiteral("を更新してます");
}

hls::hls() {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("hls"));
    setWindowTitle(QStringLiteral("ヘッドライン"));
    // One face for the Japanese and the Latin letters: the list's rows are then of one height.
    setFont(UiFont());

    list1 = new QListWidget(this);
    list1->setObjectName(QStringLiteral("list1"));
    selection_ = new SiteSelection(list1->model(), list1);
    QItemSelectionModel* first = list1->selectionModel();
    list1->setSelectionModel(selection_);
    delete first;
    Picture1 = new QWidget(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Text1 = new QPlainTextEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setReadOnly(true);
    Label1 = new QLabel(kDateLabel, this);
    Label1->setObjectName(QStringLiteral("Label1"));
    auto button = [this](const char* name, const QString& caption, int width, void (hls::*click)()) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->resize(width, kButtonHeight);
        connect(b, &QPushButton::clicked, this, [this, click] { (this->*click)(); });
        return b;
    };
    Command5 = button("Command5", QStringLiteral("フォント変更"), 73, &hls::Command5_Click);
    Command4 = button("Command4", QStringLiteral("一括更新"), 65, &hls::Command4_Click);
    Command2 = button("Command2", QStringLiteral("HP表示"), 65, &hls::Command2_Click);
    Command1 = button("Command1", QStringLiteral("更新"), 73, &hls::Command1_Click);
    Command3 = button("Command3", QStringLiteral("閉じる"), 73, &hls::Command3_Click);
    for (QPushButton* b : {Command5, Command4, Command2, Command1, Command3})
        fitCaption(b);
    StatusBar1 = new QStatusBar(this);
    // The bar cuts a long message (the list of sites not updated) at the window's edge: its tooltip
    // holds it whole.
    connect(StatusBar1, &QStatusBar::messageChanged, StatusBar1, &QWidget::setToolTip);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);

    list1->setGeometry(0, 0, 143, kDesignHeight - 60);
    Picture1->setGeometry(144, 16, 9, kDesignHeight - 80);
    Text1->setGeometry(152, 0, kDesignWidth - 155, kDesignHeight - 60);
    Label1->setGeometry(16, kDesignHeight - 37, 233, 17);
    resize(kDesignWidth, kDesignHeight);

    // A press on a row (or a move of the selection by the keys) shows that site; selecting a row
    // from the code shows nothing by itself.
    connect(list1, &QListWidget::itemPressed, this, [this] { list1_MouseDown(); });
    connect(list1, &QListWidget::currentRowChanged, this, [this] { list1_MouseDown(); });
    connect(&engine, &headline::Engine::passStarted, this,
            [this](qint64 id, const QString& name) { passStarted(id, name); });
    connect(&engine, &headline::Engine::passEnded, this,
            [this](const headline::PassResult& pass) { passEnded(pass); });
    connect(&engine, &headline::Engine::finished, this,
            [this](const headline::RunResult& run) { finished(run); });
}

hls::~hls() {
    if (loaded == this)
        loaded = nullptr;
}

hls* hls::Instance() {
    return loaded;
}

void hls::Show() {
    if (loaded) {
        loaded->show();
        loaded->raise();
        loaded->activateWindow();
        return;
    }
    loaded = new hls;
    loaded->Form_Load();
}

void hls::Unload() {
    if (loaded)
        loaded->close();
}

void hls::End() {
    hls* window = loaded;
    if (!window)
        return;
    window->close();
    // Now, not later: the engine waits for its thread as it goes.
    delete window;
}

void hls::Form_Load() {
    stop_flag = 0;
    loadSavedSize();
    ver_flag = 0;
    const QScreen* display = screen();
    QFont font(kFontFace);
    font.setPointSize(TwipsPerPixel(display ? display->logicalDotsPerInchY() : 96.0) == 12 ? 7 : 10);
    Text1->setFont(font);

    heart::OpenResult opened = heart::open();
    if (opened.db) {
        db_.emplace(std::move(*opened.db));
        engine.setDatabase(heart::copyPath());
        list1->clear();
        const headline::Read<std::vector<headline::ListedSite>> sites = headline::listSites(*db_);
        if (sites.failed())
            StatusBar1->showMessage(sites.failure);
        for (const headline::ListedSite& site : sites.value) {
            auto* item = new QListWidgetItem(site.name, list1);
            item->setData(kIdRole, site.id);
            // The list is narrow: a long name can be read whole here.
            item->setToolTip(site.name);
        }
    } else {
        StatusBar1->showMessage(QStringLiteral("ヘッドラインのデータベースを開けません"));
    }
    show();
    loadSavedFont();
}

void hls::loadSavedSize() {
    IniManage::BeginBatch();
    const QString width = IniManage::GetIni(QStringLiteral("hlsWidth"));
    const QString height = IniManage::GetIni(QStringLiteral("hlsheight"));
    if (width.isEmpty() || height.isEmpty())
        return;
    bool wide = false, high = false;
    const qint64 w = width.trimmed().toLongLong(&wide);
    const qint64 h = height.trimmed().toLongLong(&high);
    if (!wide || !high)
        return;
    const QScreen* display = screen();
    const QRect room = display ? display->availableGeometry() : QRect(0, 0, 1 << 14, 1 << 14);
    const qint64 innerWidth = w - kSavedExtraWidth, innerHeight = h - kSavedExtraHeight;
    // The saved figures carry a frame of their own measure: what must fit the screen is the inside
    // the window had, so one as wide as the screen opens as wide again.
    if (innerWidth <= 0 || innerHeight <= 0 || innerWidth > room.width() || innerHeight > room.height())
        return;
    resize(int(innerWidth), int(innerHeight));
}

void hls::loadSavedFont() {
    IniManage::BeginBatch();
    const QString face = IniManage::GetIni(QStringLiteral("hlsFontName"));
    if (face.isEmpty())
        return;
    QFont font = Text1->font();
    font.setFamily(face);
    bool number = false;
    const double size = IniManage::GetIni(QStringLiteral("hlsFontSize")).trimmed().toDouble(&number);
    if (number && size > 0 && size < 1000)
        font.setPointSizeF(size);
    const QString bold = IniManage::GetIni(QStringLiteral("hlsFontBold")).trimmed();
    if (bold.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        font.setBold(true);
    else if (bold.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        font.setBold(false);
    Text1->setFont(font);
}

void hls::updateMinimumSize() {
    const QScreen* display = screen();
    const int floor = FloorPixels(TwipsPerPixel(display ? display->logicalDotsPerInchY() : 96.0));
    // The frame is the window manager's: known once shown, nothing on the offscreen platform.
    const int frameWidth = frameGeometry().width() - width();
    const int frameHeight = frameGeometry().height() - height();
    setMinimumSize(std::max(1, floor - frameWidth), std::max(1, floor - frameHeight));
}

void hls::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    updateMinimumSize();
}

void hls::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

void hls::Form_Resize() {
    // Made smaller than its least size after all (by a window manager that ignores that hint, or by
    // another program): back to that size.
    const QSize least = minimumSize();
    if (width() < least.width() || height() < least.height()) {
        resize(std::max(width(), least.width()), std::max(height(), least.height()));
        return;
    }
    const int w = width(), h = height();
    Text1->resize(std::max(0, w - 155), std::max(0, h - 60));
    list1->resize(list1->width(), std::max(0, h - 60));
    Picture1->resize(Picture1->width(), std::max(0, h - 80));
    const int top = h - 49;
    Command5->move(w - 360, top);
    Command4->move(w - 288, top);
    Command2->move(w - 224, top);
    Command1->move(w - 160, top);
    Command3->move(w - 88, top);
    Label1->move(Label1->x(), h - 37);
    StatusBar1->setGeometry(0, h - kStatusHeight, w, kStatusHeight);
}

void hls::closeEvent(QCloseEvent* event) {
    Form_Unload();
    QWidget::closeEvent(event);
}

void hls::Form_Unload() {
    // An update of a closed window has no one to tell: it ends now, storing nothing more.
    engine.cancel();
    UnloadProgress();
    db_.reset();
    if (loaded == this)
        loaded = nullptr;
}

bool hls::online() {
    const Stage* stage = Stage::Current();
    return stage && stage->ItemShown(Stage::Item::getto);
}

void hls::say(const QString& text, bool always) {
    // Her words here have no voice: the balloon must not play the clip of an earlier line.
    flag::state.VoicePath.clear();
    if (!always && services::talk().FukiOpen()) {
        services::talk().SetFukiText(text);
        return;
    }
    speak::state.TalkText = text;
    services::talk().ShowFuki();
}

void hls::EnableButtons(bool enabled) {
    for (QPushButton* b : {Command1, Command2, Command3, Command4})
        b->setEnabled(enabled);
}

void hls::ShowProgress(QWidget* progress) {
    const QRect over = frameGeometry();
    progress->move(over.center() - QPoint(progress->width() / 2, progress->height() / 2));
    progress->show();
}

void hls::UnloadProgress() {
    if (hiCH_) {
        hiCH_->hide();
        hiCH_->deleteLater();
        hiCH_ = nullptr;
    }
    if (sinCH_) {
        sinCH_->hide();
        sinCH_->Timer1.setEnabled(false);
        sinCH_->deleteLater();
        sinCH_ = nullptr;
    }
}

bool hls::updating() const {
    return selection_->held;
}

void hls::holdSites(bool held) {
    selection_->held = held;
}

void hls::selectSite(qint64 id) {
    // The update's own following of its passes: the one move the held list takes.
    const QSignalBlocker quiet(list1);
    const bool held = selection_->held;
    selection_->held = false;
    for (int row = 0; row < list1->count(); ++row) {
        if (list1->item(row)->data(kIdRole).toLongLong() == id) {
            list1->setCurrentRow(row);
            break;
        }
    }
    selection_->held = held;
}

headline::Read<std::optional<headline::Site>> hls::selectedSite() {
    const QListWidgetItem* item = list1->currentItem();
    if (!item || item->text().isEmpty() || !db_)
        return {};
    const headline::Read<std::optional<headline::Site>> found = headline::siteByName(*db_, item->text());
    if (found.failed())
        StatusBar1->showMessage(found.failure);
    return found;
}

void hls::list1_MouseDown() {
    // A press on the held row would put its stored headlines over the update's.
    if (updating() || !list1->currentItem())
        return;
    const std::optional<headline::Site> site = selectedSite().value;
    Text1->setPlainText(site ? site->data.value_or(QString()) : QString());
    Label1->setText(shownLastDate(site ? site->lastDate.value_or(QString()) : QString()));
}

// 更新
void hls::Command1_Click() {
    ver_flag = 1;
    const QListWidgetItem* item = list1->currentItem();
    if (!item || item->text().isEmpty()) {
        say(QStringLiteral("サイトが選ばれていません"), true);
        return;
    }
    if (!online()) {
        say(QStringLiteral("ネットワークに接続されていません"), true);
        return;
    }
    if (engine.busy() || headline::Engine::anyBusy()) {
        StatusBar1->showMessage(QStringLiteral("ほかのヘッドラインを更新しています"));
        return;
    }
    StatusBar1->clearMessage();
    Text1->setPlainText(QStringLiteral("更新中"));
    EnableButtons(false);
    holdSites(true);
    UnloadProgress();
    hiCH_ = new hiCH(this);
    ShowProgress(hiCH_);
    if (!engine.updateSite(item->text())) {
        UnloadProgress();
        EnableButtons(true);
        holdSites(false);
        list1_MouseDown();
        StatusBar1->showMessage(QStringLiteral("更新を始められません"));
    }
}

// 一括更新
void hls::Command4_Click() {
    if (engine.busy() || headline::Engine::anyBusy()) {
        StatusBar1->showMessage(QStringLiteral("ほかのヘッドラインを更新しています"));
        return;
    }
    if (!online()) {
        say(QStringLiteral("ネットワークに接続されていません"), true);
        return;
    }
    stop_flag = 0;
    const headline::Read<int> counted = db_ ? headline::siteCount(*db_) : headline::Read<int>{};
    if (counted.failed()) {
        StatusBar1->showMessage(counted.failure);
        return;
    }
    const int rows = counted.value;
    site_count = qint16(std::clamp(rows, 0, 32767));
    progress = 0;
    notUpdated_.clear();
    StatusBar1->clearMessage();
    EnableButtons(false);
    holdSites(true);
    UnloadProgress();
    sinCH_ = new sinCH(this);
    ShowProgress(sinCH_);
    updatingAll_ = true;
    if (!engine.updateAll()) {
        updatingAll_ = false;
        holdSites(false);
        UnloadProgress();
        EnableButtons(true);
        StatusBar1->showMessage(QStringLiteral("更新を始められません"));
    }
}

void hls::passStarted(qint64 id, const QString& name) {
    (void)id;
    site_name = name;
}

void hls::passEnded(const headline::PassResult& pass) {
    if (!updatingAll_)
        return;
    if (pass.id >= 0 && pass.id <= headline::kLastSiteId)
        progress = qint16(std::min<int>(progress + 1, site_count));
    switch (pass.outcome) {
    case headline::Outcome::stored:
        Label1->setText(shownLastDate(pass.lastDate));
        [[fallthrough]];
    case headline::Outcome::unchanged:
        Text1->setPlainText(pass.text);
        selectSite(pass.id);
        break;
    case headline::Outcome::failed:
        // Ends as a site found unchanged: the list follows it, showing what it keeps. A row without
        // an address (the shipped anime row) is none of the run's failures.
        if (!pass.noAddress) {
            notUpdated_ << pass.name;
            StatusBar1->showMessage(pass.name + QStringLiteral("：") + pass.reason);
        }
        Text1->setPlainText(pass.text);
        selectSite(pass.id);
        break;
    case headline::Outcome::skipped:
    case headline::Outcome::cancelled:
        break;
    }
}

void hls::finished(const headline::RunResult& run) {
    // Held until now, also past a キャンセル: what follows still tells of the updated site.
    holdSites(false);
    if (run.all) {
        updatingAll_ = false;
        stop_flag = 0;
        UnloadProgress();
        EnableButtons(true);
        if (run.cancelled)
            return;
        // No pass ran (the database could not be opened): nothing was done to say so of.
        if (!run.passes.empty() && run.passes.front().id < 0) {
            StatusBar1->showMessage(run.passes.front().reason);
            return;
        }
        // A failed read ended the run short of its end: that is said as a stop, and why.
        const bool whole = !run.stopped && run.failure.isEmpty();
        say(whole ? QStringLiteral("一括更新が完了しました") : QStringLiteral("処理を中断しました"), true);
        if (!run.failure.isEmpty())
            StatusBar1->showMessage(run.failure);
        else if (!notUpdated_.isEmpty())
            StatusBar1->showMessage(QStringLiteral("更新できなかったサイト：") +
                                    notUpdated_.join(QStringLiteral("、")));
        return;
    }
    UnloadProgress();
    EnableButtons(true);
    if (run.passes.empty())
        return;
    const headline::PassResult& pass = run.passes.back();
    const QListWidgetItem* item = list1->currentItem();
    const QString name = !pass.name.isEmpty() ? pass.name : item ? item->text() : QString();
    switch (pass.outcome) {
    case headline::Outcome::stored:
        say(name + QStringLiteral("のヘッドラインを更新しました"), false);
        Label1->setText(shownLastDate(pass.lastDate));
        Text1->setPlainText(pass.text);
        StatusBar1->clearMessage();
        break;
    case headline::Outcome::unchanged:
        say(name + QStringLiteral("は、更新されていません"), false);
        Text1->setPlainText(pass.text);
        StatusBar1->clearMessage();
        break;
    case headline::Outcome::failed:
    case headline::Outcome::skipped:
        say(name + QStringLiteral("は、更新されていません"), false);
        Text1->setPlainText(pass.text);
        StatusBar1->showMessage(pass.reason);
        break;
    case headline::Outcome::cancelled:
        Text1->setPlainText(pass.text);
        StatusBar1->showMessage(pass.reason);
        break;
    }
}

// HP表示
void hls::Command2_Click() {
    const QListWidgetItem* item = list1->currentItem();
    if (!item || item->text().isEmpty())
        return;
    const headline::Read<std::optional<headline::Site>> found = selectedSite();
    if (found.failed())
        return;
    const std::optional<headline::Site>& site = found.value;
    const QString address = site ? site->jump.value_or(QString()) : QString();
    const auto refuse = [](hls* window, const QString& text) {
        window->hpRefusal_ = text;
        window->StatusBar1->showMessage(text);
    };
    if (address.isEmpty()) {
        refuse(this, QStringLiteral("このサイトのホームページは登録されていません"));
        return;
    }
    if (!Openable(address)) {
        refuse(this, QStringLiteral("開けないアドレスです：") + address);
        return;
    }
    // Said once per reason: the status bar tells every click, standard error why.
    const auto tell = [address, refuse](const QPointer<hls>& window, const QString& why) {
        if (window)
            refuse(window, QStringLiteral("ブラウザを起動できません"));
        static QString told;
        if (told == why)
            return;
        told = why;
        std::fprintf(stderr, "morvik: cannot open %s with xdg-open: %s\n", qPrintable(address),
                     qPrintable(why));
    };
    // The address is one argument of its own: nothing in it reaches a shell. The opener is kept until
    // it ends, since one that starts but has nothing to open with says so only by its exit status; it
    // belongs to the program, not to this window, which may close first, and nothing waits for it.
    auto* opener = new QProcess(QCoreApplication::instance());
    opener->setProgram(QStringLiteral("xdg-open"));
    opener->setArguments({address});
    opener->setStandardInputFile(QProcess::nullDevice());
    opener->setProcessChannelMode(QProcess::ForwardedChannels);
    QObject::connect(opener, &QProcess::finished, opener,
                     [opener, tell, window = QPointer<hls>(this)](int code, QProcess::ExitStatus status) {
                         opener->deleteLater();
                         if (status == QProcess::CrashExit)
                             tell(window, QStringLiteral("it ended abnormally"));
                         else if (code != 0)
                             tell(window, QStringLiteral("it exited with status %1").arg(code));
                     });
    opener->start();
    // Returns once the program runs or could not be started: no longer than its start takes.
    if (opener->waitForStarted()) {
        // An earlier refusal of its own no longer holds; any other message (the sites an update
        // could not fetch) stays.
        if (!hpRefusal_.isEmpty() && StatusBar1->currentMessage() == hpRefusal_)
            StatusBar1->clearMessage();
        hpRefusal_.clear();
        return;
    }
    tell(this, opener->errorString());
    opener->deleteLater();
}

// 閉じる
void hls::Command3_Click() {
    IniManage::BeginBatch();
    IniManage::WriteAll(
        {{QStringLiteral("hlsWidth"), QString::number(qint64(width()) + kSavedExtraWidth)},
         {QStringLiteral("hlsheight"), QString::number(qint64(height()) + kSavedExtraHeight)}});
    close();
}

// フォント変更
void hls::Command5_Click() {
    const QFont current = Text1->font();
    QFont chosen = current;
    if (ChooseFont) {
        chosen = ChooseFont(current, this);
    } else {
        bool ok = false;
        chosen = QFontDialog::getFont(&ok, current, this);
        if (!ok)
            chosen = current;
    }
    if (chosen.family().isEmpty())
        chosen.setFamily(kFontFace);
    Text1->setFont(chosen);
    IniManage::BeginBatch();
    IniManage::WriteAll(
        {{QStringLiteral("hlsFontName"), chosen.family()},
         {QStringLiteral("hlsFontSize"), QString::number(chosen.pointSizeF())},
         {QStringLiteral("hlsFontBold"), chosen.bold() ? QStringLiteral("True") : QStringLiteral("False")}});
}
