#include "app/settings_ui/UserData.h"

#include "app/dialup/VBRas32.h"
#include "app/settings/IniManage.h"
#include "app/settings/launcher_entries.h"
#include "app/settings/settings_db.h"
#include "app/settings/settings_keys.h"
#include "app/settings_ui/window_effects.h"
#include "app/shapes/RgnCall.h"
#include "app/talk/heart_db.h"
#include "app/window/morvik.h"
#include "app/window/picture_stores.h"
#include "platform/archive/archive_support.h"
#include "platform/ini_file.h"
#include "platform/program_folder.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <array>

const QString UserData::kNameTooLong = QStringLiteral("マスターのお名前は１０文字以内で設定してください");
const QString UserData::kPortNotNumber = QStringLiteral("ポート番号は数字で入力してください");
const QString UserData::kAccount1Always = QStringLiteral("このチェックを無効にできません");
const QString UserData::kNotSaved = QStringLiteral("設定を保存できませんでした");
const QString UserData::kChooseSlot = QStringLiteral("設定番号を選択してください");
const QString UserData::kChoosePath = QStringLiteral("アプリケーションのパスを登録してください");

namespace {

constexpr int kNameLimit = 10;
const QString kDefaultPort = QStringLiteral("110");

QLabel* label(const QString& text, QWidget* parent) {
    return new QLabel(text, parent);
}

QLineEdit* textBox(const char* name, QWidget* parent, bool secret = false) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    if (secret) {
        box->setEchoMode(QLineEdit::Password);
        // A star for every typed character, whatever the style's own mark.
        box->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    }
    return box;
}

QCheckBox* checkBox(const char* name, const QString& caption, QWidget* parent) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QLatin1String(name));
    return box;
}

// Every list is a pure list: a typed text that is no item cannot be stored.
QComboBox* list(const char* name, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setEditable(false);
    return box;
}

QGroupBox* frame(const char* name, const QString& caption, QWidget* parent) {
    auto* box = new QGroupBox(caption, parent);
    box->setObjectName(QLatin1String(name));
    return box;
}

QPushButton* button(const char* name, const QString& caption, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

// A whole number written in plain digits only.
std::optional<int> digits(const QString& text) {
    static const QRegularExpression plain(QStringLiteral("^[0-9]{1,9}$"));
    if (!plain.match(text).hasMatch())
        return std::nullopt;
    return text.toInt();
}

// The list position a stored index selects; an empty value, or one that names no item (a text
// edited by hand, the "-1" of an earlier unselected list), takes the list's default.
int storedIndex(const QString& value, int count, int fallback) {
    const std::optional<int> index = digits(value);
    return index && *index < count ? *index : fallback;
}

bool isPort(const QString& text) {
    const std::optional<int> port = digits(text);
    return port && *port >= 1 && *port <= 65535;
}

QString flagText(const QCheckBox* box) {
    return box->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
}

QString indexText(const QComboBox* box) {
    return QString::number(box->currentIndex());
}

// The selected item's text; empty when nothing is selected.
QString selectedText(const QComboBox* box) {
    return box->currentIndex() < 0 ? QString() : box->itemText(box->currentIndex());
}

} // namespace

UserData::UserData(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("UserData"));
    setWindowTitle(QStringLiteral("モルヴィクCHECKERの設定"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    buildTabs();

    Command1 = button("Command1", QStringLiteral("設　　定"), this);
    Command1->setDefault(true);
    Command2 = button("Command2", QStringLiteral("キャンセル"), this);
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(SSTab1);
    layout->addLayout(buttons);
    layout->addWidget(StatusBar1);

    connect(Command1, &QPushButton::clicked, this, &UserData::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &UserData::Command2_Click);
    // The OK button's rules run on every change, so the load's own assignments run them too.
    connect(Check1, &QCheckBox::toggled, this, &UserData::Check1_Click);
    connect(Check2, &QCheckBox::toggled, this, &UserData::Check2_Click);
    connect(Check3, &QCheckBox::toggled, this, &UserData::Check3_Click);
    const std::array<std::array<QLineEdit*, 3>, 3> accounts{
        {{popSV, mailAC, pass}, {popSV2, mailAC2, pass2}, {popSV3, mailAC3, pass3}}};
    for (int account = 1; account <= 3; ++account) {
        for (QLineEdit* box : accounts[account - 1])
            connect(box, &QLineEdit::textChanged, this, [this, account] { accountChanged(account); });
    }
    // On every pick, the slot already shown included: after 削除 the same slot picked again must
    // show what is stored now, or 登録 would put the cleared entry back.
    connect(lunch_id, &QComboBox::activated, this, &UserData::lunch_id_Click);
    connect(lunch_insert, &QPushButton::clicked, this, &UserData::lunch_insert_Click);
    connect(lunch_delete, &QPushButton::clicked, this, &UserData::lunch_delete_Click);
    connect(lunch_pass_select, &QPushButton::clicked, this, &UserData::lunch_pass_select_Click);
}

UserData::~UserData() = default;

void UserData::buildTabs() {
    SSTab1 = new QTabWidget(this);
    SSTab1->setObjectName(QStringLiteral("SSTab1"));

    // Tab 1: receiving mail.
    auto* mailTab = new QWidget(SSTab1);
    const auto accountFrame = [mailTab](const char* name, const QString& caption, QLineEdit*& server,
                                        const char* serverName, QLineEdit*& user, const char* userName,
                                        QLineEdit*& secret, const char* secretName) {
        QGroupBox* box = frame(name, caption, mailTab);
        server = textBox(serverName, box);
        user = textBox(userName, box);
        secret = textBox(secretName, box, true);
        auto* grid = new QGridLayout(box);
        grid->addWidget(server, 0, 0);
        grid->addWidget(label(QStringLiteral("：POPサーバ名"), box), 0, 1);
        grid->addWidget(user, 1, 0);
        grid->addWidget(label(QStringLiteral("：メールアカウント"), box), 1, 1);
        grid->addWidget(secret, 2, 0);
        grid->addWidget(label(QStringLiteral("：パスワード"), box), 2, 1);
        return box;
    };
    Frame1 = accountFrame("Frame1", QStringLiteral("アカウント１のPOPの設定"), popSV, "popSV", mailAC,
                          "mailAC", pass, "pass");
    Frame2 = accountFrame("Frame2", QStringLiteral("アカウント２のPOPの設定"), popSV2, "popSV2", mailAC2,
                          "mailAC2", pass2, "pass2");
    Frame3 = accountFrame("Frame3", QStringLiteral("アカウント３のPOPの設定"), popSV3, "popSV3", mailAC3,
                          "mailAC3", pass3, "pass3");

    Frame4 = frame("Frame4", QStringLiteral("有効設定：ポート番号"), mailTab);
    Check1 = checkBox("Check1", QStringLiteral("アカウント１："), Frame4);
    Check2 = checkBox("Check2", QStringLiteral("アカウント２："), Frame4);
    Check3 = checkBox("Check3", QStringLiteral("アカウント３："), Frame4);
    portSV = textBox("portSV", Frame4);
    portSV2 = textBox("portSV2", Frame4);
    portSV3 = textBox("portSV3", Frame4);
    auto* ports = new QGridLayout(Frame4);
    ports->addWidget(Check1, 0, 0);
    ports->addWidget(portSV, 0, 1);
    ports->addWidget(Check2, 1, 0);
    ports->addWidget(portSV2, 1, 1);
    ports->addWidget(Check3, 2, 0);
    ports->addWidget(portSV3, 2, 1);

    Frame5 = frame("Frame5", QStringLiteral("自動メール設定"), mailTab);
    Combo1 = list("Combo1", Frame5);
    Check7 = checkBox("Check7", QStringLiteral("テレホのみ確認"), Frame5);
    Combo3 = list("Combo3", Frame5);
    Combo4 = list("Combo4", Frame5);
    Combo5 = list("Combo5", Frame5);
    Combo6 = list("Combo6", Frame5);
    auto* automatic = new QGridLayout(Frame5);
    automatic->addWidget(label(QStringLiteral("自動メール確認"), Frame5), 0, 0);
    automatic->addWidget(Combo1, 0, 1, 1, 4);
    automatic->addWidget(Check7, 1, 0, 1, 5);
    automatic->addWidget(label(QStringLiteral("開始時間"), Frame5), 2, 0);
    automatic->addWidget(Combo3, 2, 1);
    automatic->addWidget(label(QStringLiteral("時"), Frame5), 2, 2);
    automatic->addWidget(Combo4, 2, 3);
    automatic->addWidget(label(QStringLiteral("分"), Frame5), 2, 4);
    automatic->addWidget(label(QStringLiteral("終了時間"), Frame5), 3, 0);
    automatic->addWidget(Combo5, 3, 1);
    automatic->addWidget(label(QStringLiteral("時"), Frame5), 3, 2);
    automatic->addWidget(Combo6, 3, 3);
    automatic->addWidget(label(QStringLiteral("分"), Frame5), 3, 4);

    auto* mailGrid = new QGridLayout(mailTab);
    mailGrid->addWidget(Frame1, 0, 0);
    mailGrid->addWidget(Frame2, 1, 0);
    mailGrid->addWidget(Frame3, 2, 0);
    mailGrid->addWidget(Frame4, 0, 1);
    mailGrid->addWidget(Frame5, 1, 1, 2, 1);
    SSTab1->addTab(mailTab, QStringLiteral("メール設定（受信）"));

    // Tab 2: behaviour.
    auto* behaviourTab = new QWidget(SSTab1);
    const QString trial = QStringLiteral("まだ試し状態");
    Frame6 = frame("Frame6", QStringLiteral("その他設定"), behaviourTab);
    Check6 = checkBox("Check6", QStringLiteral("バッテリ確認する"), Frame6);
    Combo2 = list("Combo2", Frame6);
    Check5 = checkBox("Check5", QStringLiteral("寝るのを我慢する"), Frame6);
    Check5->setToolTip(trial);
    palk_kick = checkBox("palk_kick", QStringLiteral("起動時にパルクも起動する"), Frame6);
    vens_kick = checkBox("vens_kick", QStringLiteral("起動時にヴェンスも起動する"), Frame6);
    dwim_kick = checkBox("dwim_kick", QStringLiteral("起動時にドゥイムも起動する"), Frame6);
    for (QCheckBox* kick : {palk_kick, vens_kick, dwim_kick}) {
        kick->setToolTip(trial);
        kick->setEnabled(false); // until the load finds the program
    }
    Check15 = checkBox("Check15", QStringLiteral("ふわふわさせる"), Frame6);
    Check16 = checkBox("Check16", QStringLiteral("起動にWAITをかける"), Frame6);
    auto* others = new QGridLayout(Frame6);
    others->addWidget(Check6, 0, 0, 1, 2);
    others->addWidget(label(QStringLiteral("吹き出し自動消去"), Frame6), 1, 0);
    others->addWidget(Combo2, 1, 1);
    int row = 2;
    for (QCheckBox* box : {Check5, palk_kick, vens_kick, dwim_kick, Check15, Check16})
        others->addWidget(box, row++, 0, 1, 2);

    Frame8 = frame("Frame8", QStringLiteral("DLL設定状態"), behaviourTab);
    Label11 = new QLabel(Frame8);
    Label11->setObjectName(QStringLiteral("Label11"));
    Label11->setTextFormat(Qt::PlainText);
    (new QVBoxLayout(Frame8))->addWidget(Label11);

    Frame9 = frame("Frame9", QStringLiteral("ユーザー情報"), behaviourTab);
    MasterName = textBox("MasterName", Frame9);
    auto* user = new QHBoxLayout(Frame9);
    user->addWidget(label(QStringLiteral("マスターのお名前"), Frame9));
    user->addWidget(MasterName);

    Frame16 = frame("Frame16", QStringLiteral("パルク動作設定"), behaviourTab);
    palk_check1 = checkBox("palk_check1", QStringLiteral("ネットワーク自動接続"), Frame16);
    palk_check1->setToolTip(QStringLiteral("モルヴィクCHECKERに設定されているネットワーク接続に接続します"));
    palk_check2 = checkBox("palk_check2", QStringLiteral("ヘッドラインセンサー自動更新"), Frame16);
    palk_check3 = checkBox("palk_check3", QStringLiteral("時刻の更新"), Frame16);
    palk_check4 = checkBox("palk_check4", QStringLiteral("メールの取り込み"), Frame16);
    palk_check5 = checkBox("palk_check5", QStringLiteral("処理完了後、パルクを閉じる"), Frame16);
    palk_check5->setToolTip(QStringLiteral("モルヴィクCHECKERから起動するときは無効になります"));
    auto* chores = new QVBoxLayout(Frame16);
    for (QCheckBox* box : {palk_check1, palk_check2, palk_check3, palk_check4, palk_check5})
        chores->addWidget(box);

    auto* behaviourGrid = new QGridLayout(behaviourTab);
    behaviourGrid->addWidget(Frame6, 0, 0, 2, 1);
    behaviourGrid->addWidget(Frame8, 0, 1);
    behaviourGrid->addWidget(Frame9, 1, 1);
    behaviourGrid->addWidget(Frame16, 2, 0, 1, 2);
    SSTab1->addTab(behaviourTab, QStringLiteral("動作設定"));

    // Tab 3: the network, sending, the clock.
    auto* networkTab = new QWidget(SSTab1);
    Frame10 = frame("Frame10", QStringLiteral("ユーザー設定"), networkTab);
    Combo7 = list("Combo7", Frame10);
    Text3 = textBox("Text3", Frame10);
    Text4 = textBox("Text4", Frame10, true);
    auto* entry = new QGridLayout(Frame10);
    entry->addWidget(label(QStringLiteral("エントリー名"), Frame10), 0, 0);
    entry->addWidget(Combo7, 0, 1);
    entry->addWidget(label(QStringLiteral("ユーザー名"), Frame10), 1, 0);
    entry->addWidget(Text3, 1, 1);
    entry->addWidget(label(QStringLiteral("パスワード"), Frame10), 2, 0);
    entry->addWidget(Text4, 2, 1);

    Frame12 = frame("Frame12", QStringLiteral("その他"), networkTab);
    Check8 = checkBox("Check8", QStringLiteral("時報を表示する"), Frame12);
    Check4 = checkBox("Check4", QStringLiteral("シャットダウン表示"), Frame12);
    Check11 = checkBox("Check11", QStringLiteral("サーバの接続に失敗しても吹き出しを出さない"), Frame12);
    Check10 = checkBox("Check10", QStringLiteral("送信設定のアドレスにも送付する"), Frame12);
    Check9 = checkBox("Check9", QStringLiteral("PROXY設定"), Frame12);
    auto* more = new QVBoxLayout(Frame12);
    for (QCheckBox* box : {Check8, Check4, Check11, Check10, Check9})
        more->addWidget(box);

    Frame13 = frame("Frame13", QStringLiteral("起動、終了設定"), networkTab);
    Check12 = checkBox("Check12", QStringLiteral("起動時のボイスを固定する"), Frame13);
    Check13 = checkBox("Check13", QStringLiteral("終了時のボイスを固定する"), Frame13);
    auto* voices = new QVBoxLayout(Frame13);
    voices->addWidget(Check12);
    voices->addWidget(Check13);

    Frame7 = frame("Frame7", QStringLiteral("ＳＭＴＰ設定"), networkTab);
    smtpSV = textBox("smtpSV", Frame7);
    smtpML = textBox("smtpML", Frame7);
    auto* smtp = new QGridLayout(Frame7);
    smtp->addWidget(label(QStringLiteral("ＳＭＴＰサーバー名"), Frame7), 0, 0);
    smtp->addWidget(smtpSV, 0, 1);
    smtp->addWidget(label(QStringLiteral("メールアドレス"), Frame7), 1, 0);
    smtp->addWidget(smtpML, 1, 1);

    Frame11 = frame("Frame11", QStringLiteral("時間調整"), networkTab);
    sntpTXT = textBox("sntpTXT", Frame11);
    Check14 = checkBox("Check14", QStringLiteral("ＨＴＴＰから取得"), Frame11);
    auto* clock = new QGridLayout(Frame11);
    clock->addWidget(label(QStringLiteral("NTPサーバー"), Frame11), 0, 0);
    clock->addWidget(sntpTXT, 0, 1);
    clock->addWidget(Check14, 1, 0, 1, 2);

    auto* networkGrid = new QGridLayout(networkTab);
    networkGrid->addWidget(Frame10, 0, 0);
    networkGrid->addWidget(Frame7, 1, 0);
    networkGrid->addWidget(Frame11, 2, 0);
    networkGrid->addWidget(Frame12, 0, 1, 2, 1);
    networkGrid->addWidget(Frame13, 2, 1);
    SSTab1->addTab(networkTab, QStringLiteral("ネットワーク設定"));

    // Tab 4: the launcher entries.
    auto* launcherTab = new QWidget(SSTab1);
    Frame14 = frame("Frame14", QStringLiteral("ランチャーの設定"), launcherTab);
    lunch_id = list("lunch_id", Frame14);
    lunch_name = textBox("lunch_name", Frame14);
    lunch_pass = textBox("lunch_pass", Frame14);
    lunch_pass_select = button("lunch_pass_select", QStringLiteral("..."), Frame14);
    lunch_voice = list("lunch_voice", Frame14);
    lunch_insert = button("lunch_insert", QStringLiteral("登　　録"), Frame14);
    lunch_delete = button("lunch_delete", QStringLiteral("削　　除"), Frame14);
    auto* editor = new QGridLayout(Frame14);
    editor->addWidget(lunch_id, 0, 0);
    editor->addWidget(label(QStringLiteral("：設定番号"), Frame14), 0, 1, 1, 2);
    editor->addWidget(lunch_name, 1, 0);
    editor->addWidget(label(QStringLiteral("：表示名称"), Frame14), 1, 1, 1, 2);
    editor->addWidget(lunch_pass, 2, 0);
    editor->addWidget(lunch_pass_select, 2, 1);
    editor->addWidget(label(QStringLiteral("：パス"), Frame14), 2, 2);
    editor->addWidget(lunch_voice, 3, 0);
    editor->addWidget(label(QStringLiteral("：起動時音声選択"), Frame14), 3, 1, 1, 2);
    auto* editorButtons = new QHBoxLayout;
    editorButtons->addStretch();
    editorButtons->addWidget(lunch_insert);
    editorButtons->addWidget(lunch_delete);
    editor->addLayout(editorButtons, 4, 0, 1, 3);
    editor->setColumnStretch(0, 1);

    Frame15 = frame("Frame15", QStringLiteral("クイック設定"), launcherTab);
    quick_lu_id = list("quick_lu_id", Frame15);
    const QString quickHint = QStringLiteral("ダブルクリックで起動するアプリケーションを選択できます");
    quick_lu_id->setToolTip(quickHint);
    auto* quick = new QGridLayout(Frame15);
    quick->addWidget(quick_lu_id, 0, 0);
    quick->addWidget(label(QStringLiteral("：設定番号"), Frame15), 0, 1);
    quick->addWidget(label(quickHint, Frame15), 1, 0, 1, 2);
    quick->setColumnStretch(0, 1);

    auto* launcherLayout = new QVBoxLayout(launcherTab);
    launcherLayout->addWidget(Frame14);
    launcherLayout->addWidget(Frame15);
    launcherLayout->addStretch();
    SSTab1->addTab(launcherTab, QStringLiteral("ランチャーの設定"));

    // Tab 5: the version, with her and ヴェンス cut to their outlines.
    auto* versionTab = new QWidget(SSTab1);
    lblVersion = new QLabel(versionTab);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    const auto picture = [versionTab](const char* name, const stores::Picture& shown,
                                      void (*shape)(QWidget*)) {
        auto* box = new QLabel(versionTab);
        box->setObjectName(QLatin1String(name));
        box->setFixedSize(shown.pixmap.size());
        stores::Show(box, shown, stores::Note::Quiet);
        shape(box);
        return box;
    };
    Image1 = picture("Image1", gra::Image1(0), RgnCall::ShapeStandard);
    Image2 = picture("Image2", gra::lun_img1(), RgnCall4::ShapeLauncher);
    auto* pictures = new QHBoxLayout;
    pictures->addStretch();
    pictures->addWidget(Image1, 0, Qt::AlignBottom);
    pictures->addWidget(Image2, 0, Qt::AlignBottom);
    pictures->addStretch();
    auto* versionLayout = new QVBoxLayout(versionTab);
    versionLayout->addWidget(lblVersion, 0, Qt::AlignHCenter);
    versionLayout->addLayout(pictures);
    versionLayout->addStretch();
    SSTab1->addTab(versionTab, QStringLiteral("バージョン情報"));
}

UserData& UserData::Default() {
    if (!instance_) {
        instance_ = new UserData;
        instance_->Form_Load();
    }
    return *instance_;
}

UserData* UserData::Show() {
    UserData& form = Default();
    form.show();
    form.raise();
    form.activateWindow();
    return &form;
}

void UserData::Unload() {
    if (instance_)
        instance_->close();
}

std::optional<mail::Accounts> UserData::MailAccounts() {
    const UserData* form = instance_;
    if (!form)
        return std::nullopt;
    const std::array<std::array<const QLineEdit*, 4>, 3> boxes{
        {{form->popSV, form->portSV, form->mailAC, form->pass},
         {form->popSV2, form->portSV2, form->mailAC2, form->pass2},
         {form->popSV3, form->portSV3, form->mailAC3, form->pass3}}};
    const std::array<bool, 3> used{true, form->Check2->isChecked(), form->Check3->isChecked()};
    mail::Accounts accounts;
    for (std::size_t i = 0; i < 3; ++i)
        accounts[i] = {boxes[i][0]->text(), boxes[i][1]->text(), boxes[i][2]->text(), boxes[i][3]->text(),
                       used[i]};
    return accounts;
}

void UserData::closeEvent(QCloseEvent* event) {
    // Unloaded from here on, though Qt deletes it a little later: the next use loads a new one.
    if (instance_ == this)
        instance_ = nullptr;
    // Not QDialog's own, which would turn the close into a reject() and back.
    event->accept();
}

void UserData::reject() {
    Command2_Click();
}

void UserData::message(const QString& text) {
    if (morvik::MessageBox)
        morvik::MessageBox(text);
    else
        QMessageBox::warning(this, QStringLiteral("QTV-52モルヴィク"), text);
}

void UserData::Form_Load() {
    // 1. The sibling programs.
    if (platform::siblingPresent(QStringLiteral("palk")))
        palk_kick->setEnabled(true);
    else
        Frame16->hide();
    if (platform::siblingPresent(QStringLiteral("vens")))
        vens_kick->setEnabled(true);
    else
        SSTab1->setTabEnabled(3, false);
    // dwim is no program of this system: dwim_kick stays disabled, as without the file.

    // 2. The version.
    lblVersion->setText(QStringLiteral("Version %1.%2.%3")
                            .arg(MORVIK_VERSION_MAJOR)
                            .arg(MORVIK_VERSION_MINOR)
                            .arg(MORVIK_VERSION_PATCH));

    // 3. The archive kinds.
    ShowDllVersions();

    // 4. The settings database. A row holding Null empties all its boxes.
    QStringList unread;
    const auto readRow = [&unread](const QString& table, int id, const QStringList& columns) {
        const auto values = settings_db::readRow(table, id, columns);
        QStringList texts;
        bool complete = values.has_value();
        if (!values)
            unread << table;
        for (int i = 0; complete && i < columns.size(); ++i) {
            complete = (*values)[i].has_value();
            texts << (*values)[i].value_or(QString());
        }
        return complete ? texts : QStringList(columns.size(), QString());
    };
    const QStringList mailColumns{QStringLiteral("Server"), QStringLiteral("User"), QStringLiteral("pass")};
    const std::array<std::array<QLineEdit*, 3>, 3> accounts{
        {{popSV, mailAC, pass}, {popSV2, mailAC2, pass2}, {popSV3, mailAC3, pass3}}};
    for (int account = 1; account <= 3; ++account) {
        const QStringList texts = readRow(QStringLiteral("mail"), account, mailColumns);
        for (int i = 0; i < 3; ++i)
            accounts[account - 1][i]->setText(texts[i]);
    }
    const QStringList sending =
        readRow(QStringLiteral("sendml"), 1, {QStringLiteral("smtpSV"), QStringLiteral("smtpML")});
    smtpSV->setText(sending[0]);
    smtpML->setText(sending[1]);
    const QStringList held =
        readRow(QStringLiteral("net_entry"), 1,
                {QStringLiteral("net_ent"), QStringLiteral("net_user"), QStringLiteral("net_pass")});
    unread.removeDuplicates();
    if (!unread.isEmpty())
        StatusBar1->showMessage(QStringLiteral("設定データベースを読み込めませんでした（%1）")
                                    .arg(unread.join(QStringLiteral("、"))));

    // 5. The launch voices.
    heart::OpenResult heart = heart::open();
    if (heart.db)
        lunch_voice->addItems(heart::voiceNames(*heart.db));
    else
        StatusBar1->showMessage(
            QStringLiteral("起動時音声の一覧を読み込めませんでした：%1").arg(heart.error));
    lunch_voice->setCurrentIndex(-1);

    // 6. The settings file.
    IniManage::BeginBatch();
    const auto key = [](const char* name) { return IniManage::GetIni(QLatin1String(name)); };
    const auto on = [&key](const char* name) { return key(name) == QStringLiteral("1"); };

    MasterName->setText(key("MasterName"));

    // 7. The ports.
    for (auto [box, name] : {std::pair{portSV, "portSV1"}, {portSV2, "portSV2"}, {portSV3, "portSV3"}}) {
        const QString port = key(name);
        box->setText(port.isEmpty() ? kDefaultPort : port);
    }

    // 8. The check boxes.
    Check1->setChecked(true);
    for (auto [box, name] : {std::pair{Check2, "flag2"},
                             {Check3, "flag3"},
                             {Check4, "shutdown"},
                             {Check5, "sleepflag"},
                             {Check7, "Tereho"},
                             {Check8, "jiho"},
                             {Check9, "proxy"},
                             {Check10, "bccM"},
                             {Check11, "MHfuki"},
                             {Check14, "HttpTime"},
                             {palk_kick, "palk_kick"},
                             {vens_kick, "vens_kick"},
                             {dwim_kick, "dwim_kick"}})
        box->setChecked(on(name));
    Check6->setChecked(key("batflag") != QStringLiteral("0"));
    for (auto [box, name] : {std::pair{palk_check1, "NetAutoConnect"},
                             {palk_check2, "HedAutoRev"},
                             {palk_check3, "TimeUpdate"},
                             {palk_check4, "MailAutoRev"},
                             {palk_check5, "AutoEnd"},
                             {Check15, "fuwafuwa"},
                             {Check16, "start_wait"}})
        box->setChecked(on(name));

    // 9. The automatic check and the balloon's close time.
    Combo1->clear();
    Combo1->addItems({QStringLiteral("設定しない"), QStringLiteral("１分ごと"), QStringLiteral("５分ごと"),
                      QStringLiteral("３０分ごと")});
    Combo1->setCurrentIndex(storedIndex(key("mailcheckF"), Combo1->count(), 0));
    Combo2->clear();
    Combo2->addItems({QStringLiteral("設定しない"), QStringLiteral("５秒"), QStringLiteral("１０秒"),
                      QStringLiteral("１５秒")});
    Combo2->setCurrentIndex(storedIndex(key("fukiClose"), Combo2->count(), 0));

    // 10. The night window.
    for (QComboBox* box : {Combo3, Combo4, Combo5, Combo6})
        box->clear();
    for (int hour = 0; hour <= 23; ++hour) {
        Combo3->addItem(QString::number(hour));
        Combo5->addItem(QString::number(hour));
    }
    for (int minute = 0; minute <= 59; ++minute) {
        Combo4->addItem(QString::number(minute));
        Combo6->addItem(QString::number(minute));
    }
    Combo3->setCurrentIndex(storedIndex(key("tele01"), Combo3->count(), 23));
    Combo4->setCurrentIndex(storedIndex(key("tele02"), Combo4->count(), 0));
    Combo5->setCurrentIndex(storedIndex(key("tele03"), Combo5->count(), 8));
    Combo6->setCurrentIndex(storedIndex(key("tele04"), Combo6->count(), 0));

    // 11. The fixed voices.
    Check12->setChecked(on("kido"));
    Check13->setChecked(on("syuryo"));

    // 12. The clock's server.
    const QString sntp = key("sntpTXT");
    sntpTXT->setText(sntp.isEmpty() ? QString::fromUtf16(settings_keys::kDefaultSntpHost) : sntp);

    // 13. The network entries.
    delete RasSample;
    RasSample = new VBRas32(this);
    RasSample->setObjectName(QStringLiteral("RasSample"));
    Combo7->clear();
    for (int i = 0; i < RasSample->EntryCount(); ++i)
        Combo7->addItem(RasSample->EnumEntries(i));

    // 14. The slots; the quick-launch list starts with an empty item for none. The editor shows
    // no slot until the user picks one: the first item added must not fill its boxes.
    const QSignalBlocker quietSlots(lunch_id);
    lunch_id->clear();
    quick_lu_id->clear();
    quick_lu_id->addItem(QString());
    for (int slot = 0; slot < launcher_entries::kSlots; ++slot) {
        const QString number = QString::number(slot + 1).rightJustified(2, QLatin1Char('0'));
        lunch_id->addItem(number);
        quick_lu_id->addItem(number);
    }
    lunch_id->setCurrentIndex(-1);

    // 15. The quick-launch slot.
    const std::optional<int> quick = launcher_entries::quickSlot();
    quick_lu_id->setCurrentIndex(quick ? *quick + 1 : 0);

    // 16. The stored entry, when NetworkManager still has it.
    Combo7->setCurrentIndex(-1);
    for (int i = 0; i < RasSample->EntryCount() && i < Combo7->count(); ++i) {
        if (Combo7->itemText(i) == held[0]) {
            Combo7->setCurrentIndex(i);
            break;
        }
    }

    // 17. Its user and password.
    Text3->setText(held[1]);
    Text4->setText(held[2]);
}

void UserData::ShowDllVersions() {
    using platform::archive::Kind;
    struct Line {
        const char* label;
        Kind kind;
    };
    static constexpr Line kLines[] = {{"Unlha32.dll : ", Kind::lzh},
                                      {"Unzip32.dll : ", Kind::zip},
                                      {"Cab32.dll : ", Kind::cab},
                                      {"Unrar32.dll : ", Kind::rar}};
    const QString version = platform::archive::versionString();
    QStringList lines;
    for (const Line& line : kLines)
        lines << QLatin1String(line.label) +
                     (platform::archive::reads(line.kind) ? version : QStringLiteral("not found"));
    Label11->setText(lines.join(QLatin1Char('\n')));
}

void UserData::accountChanged(int account) {
    const std::array<std::array<QLineEdit*, 3>, 3> accounts{
        {{popSV, mailAC, pass}, {popSV2, mailAC2, pass2}, {popSV3, mailAC3, pass3}}};
    if ((account == 2 && !Check2->isChecked()) || (account == 3 && !Check3->isChecked()))
        return;
    bool filled = true;
    for (QLineEdit* box : accounts[account - 1])
        filled = filled && !box->text().isEmpty();
    Command1->setEnabled(filled);
}

void UserData::Check1_Click() {
    if (Check1->isChecked())
        return;
    message(kAccount1Always);
    Check1->setChecked(true);
}

void UserData::Check2_Click() {
    if (!Check2->isChecked())
        Command1->setEnabled(true);
    else if (popSV2->text().isEmpty() || mailAC2->text().isEmpty() || pass2->text().isEmpty())
        Command1->setEnabled(false);
}

void UserData::Check3_Click() {
    if (!Check3->isChecked())
        Command1->setEnabled(true);
    else if (popSV3->text().isEmpty() || mailAC3->text().isEmpty() || pass3->text().isEmpty())
        Command1->setEnabled(false);
}

QList<std::pair<QString, QString>> UserData::Keys() const {
    const auto pair = [](const char* key, const QString& value) {
        return std::pair{QLatin1String(key), value};
    };
    return {
        pair("flag2", flagText(Check2)),
        pair("flag3", flagText(Check3)),
        pair("shutdown", flagText(Check4)),
        pair("sleepflag", flagText(Check5)),
        pair("batflag", flagText(Check6)),
        pair("mailcheckF", indexText(Combo1)),
        pair("Tereho", flagText(Check7)),
        pair("jiho", flagText(Check8)),
        pair("fukiClose", indexText(Combo2)),
        pair("MasterName", MasterName->text()),
        pair("proxy", flagText(Check9)),
        pair("bccM", flagText(Check10)),
        pair("MHfuki", flagText(Check11)),
        pair("sntpTXT", sntpTXT->text()),
        pair("HttpTime", flagText(Check14)),
        pair("palk_kick", flagText(palk_kick)),
        pair("vens_kick", flagText(vens_kick)),
        pair("dwim_kick", flagText(dwim_kick)),
        // The empty first item is none: "-1".
        pair("quick_lu_id", QString::number(quick_lu_id->currentIndex() - 1)),
        pair("NetAutoConnect", flagText(palk_check1)),
        pair("HedAutoRev", flagText(palk_check2)),
        pair("TimeUpdate", flagText(palk_check3)),
        pair("MailAutoRev", flagText(palk_check4)),
        pair("AutoEnd", flagText(palk_check5)),
        pair("tele01", indexText(Combo3)),
        pair("tele02", indexText(Combo4)),
        pair("tele03", indexText(Combo5)),
        pair("tele04", indexText(Combo6)),
        pair("kido", flagText(Check12)),
        pair("syuryo", flagText(Check13)),
        pair("portSV1", portSV->text()),
        pair("portSV2", portSV2->text()),
        pair("portSV3", portSV3->text()),
        pair("fuwafuwa", flagText(Check15)),
        pair("start_wait", flagText(Check16)),
    };
}

bool UserData::validate() {
    if (MasterName->text().toUcs4().size() > kNameLimit) {
        message(kNameTooLong);
        return false;
    }
    for (const QLineEdit* port : {portSV, portSV2, portSV3}) {
        if (!isPort(port->text())) {
            message(kPortNotNumber);
            return false;
        }
    }
    return true;
}

void UserData::Command1_Click() {
    if (!validate())
        return;

    const auto filled = [](std::initializer_list<QString> texts) {
        for (const QString& text : texts) {
            if (text.isEmpty())
                return false;
        }
        return true;
    };
    const QStringList mailColumns{QStringLiteral("Server"), QStringLiteral("User"), QStringLiteral("pass")};
    std::vector<settings_db::RowUpdate> rows;
    // Account 1 only when complete; accounts 2 and 3 whenever they are on, empty boxes too.
    if (filled({popSV->text(), mailAC->text(), pass->text()}))
        rows.push_back(
            {QStringLiteral("mail"), 1, mailColumns, {popSV->text(), mailAC->text(), pass->text()}});
    if (Check2->isChecked())
        rows.push_back(
            {QStringLiteral("mail"), 2, mailColumns, {popSV2->text(), mailAC2->text(), pass2->text()}});
    if (Check3->isChecked())
        rows.push_back(
            {QStringLiteral("mail"), 3, mailColumns, {popSV3->text(), mailAC3->text(), pass3->text()}});
    if (filled({smtpSV->text(), smtpML->text()}))
        rows.push_back({QStringLiteral("sendml"),
                        1,
                        {QStringLiteral("smtpSV"), QStringLiteral("smtpML")},
                        {smtpSV->text(), smtpML->text()}});
    const QString entry = selectedText(Combo7);
    if (filled({entry, Text3->text(), Text4->text()}))
        rows.push_back({QStringLiteral("net_entry"),
                        1,
                        {QStringLiteral("net_ent"), QStringLiteral("net_user"), QStringLiteral("net_pass")},
                        {entry, Text3->text(), Text4->text()}});

    IniManage::BeginBatch();
    const platform::ini::Backup before(IniManage::state.IniPath);
    const QList<std::pair<QString, QString>> keys = Keys();
    switch (settings_db::updateRows(rows, [&keys] { return IniManage::WriteAll(keys); })) {
    case settings_db::UpdateResult::committed:
        break;
    case settings_db::UpdateResult::notCommitted:
        // The rows are rolled back: the settings file goes back with them.
        before.restore();
        message(kNotSaved);
        return;
    case settings_db::UpdateResult::notWritten:
        message(kNotSaved);
        return;
    }
    settings_ui::ShowShutdownItem(Check4->isChecked());
    settings_ui::WatchBattery(Check6->isChecked());
    close();
}

void UserData::Command2_Click() {
    close();
}

void UserData::lunch_id_Click() {
    const std::optional<launcher_entries::Entry> entry = launcher_entries::read(lunch_id->currentIndex());
    if (!entry)
        return;
    const int voice = launcher_entries::voicePosition(entry->voice);
    lunch_voice->setCurrentIndex(voice < lunch_voice->count() ? voice : -1);
    lunch_name->setText(entry->name);
    lunch_pass->setText(entry->path);
}

void UserData::lunch_insert_Click() {
    const int slot = lunch_id->currentIndex();
    if (slot < 0) {
        message(kChooseSlot);
        return;
    }
    if (lunch_name->text().isEmpty())
        lunch_name->setText(QStringLiteral("名無しあぷりその") + lunch_id->currentText());
    if (lunch_pass->text().isEmpty()) {
        message(kChoosePath);
        return;
    }
    if (!launcher_entries::store(slot, lunch_name->text(), lunch_pass->text(),
                                 launcher_entries::voiceId(lunch_voice->currentIndex())))
        message(kNotSaved);
}

void UserData::lunch_delete_Click() {
    const int slot = lunch_id->currentIndex();
    if (slot < 0) {
        message(kChooseSlot);
        return;
    }
    if (!launcher_entries::clear(slot))
        message(kNotSaved);
}

void UserData::lunch_pass_select_Click() {
    if (!CommonDialog1) {
        CommonDialog1 = new QFileDialog(this);
        CommonDialog1->setObjectName(QStringLiteral("CommonDialog1"));
        CommonDialog1->setFileMode(QFileDialog::ExistingFile);
        CommonDialog1->setAcceptMode(QFileDialog::AcceptOpen);
    }
    // Cancel leaves the path as it was.
    if (CommonDialog1->exec() != QDialog::Accepted)
        return;
    const QStringList chosen = CommonDialog1->selectedFiles();
    if (!chosen.isEmpty() && !chosen.first().isEmpty())
        lunch_pass->setText(chosen.first());
}
