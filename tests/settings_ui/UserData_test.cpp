// The settings dialog against its real stores in a program folder of the test's own: what its load
// shows, what one save writes (all or nothing), what it refuses, its OK button, its launcher tab
// and the archive kinds it shows. Message boxes go through the program's replaceable one.
#include "app/settings_ui/UserData.h"

#include "app/settings/IniManage.h"
#include "app/settings/settings_db.h"
#include "app/state/state.h"
#include "app/talk/heart_db.h"
#include "app/window/morvik.h"
#include "fake_dialup.h"
#include "fake_stage.h"
#include "platform/archive/archive_library.h"
#include "test_home.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <archive.h>
#include <functional>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

using Values = std::vector<std::optional<QString>>;

// The 35 keys a save writes, in its order, with the control each one belongs to and the state that
// control shows on a first run (a check box "1"/"0", a list its index, a text box its text).
struct KeyControl {
    const char* key;
    const char* control;
    const char* firstRun;
};
const KeyControl kKeys[] = {
    {"flag2", "Check2", "0"},
    {"flag3", "Check3", "0"},
    {"shutdown", "Check4", "0"},
    {"sleepflag", "Check5", "0"},
    {"batflag", "Check6", "1"},
    {"mailcheckF", "Combo1", "0"},
    {"Tereho", "Check7", "0"},
    {"jiho", "Check8", "0"},
    {"fukiClose", "Combo2", "0"},
    {"MasterName", "MasterName", ""},
    {"proxy", "Check9", "0"},
    {"bccM", "Check10", "0"},
    {"MHfuki", "Check11", "0"},
    {"sntpTXT", "sntpTXT", "ntp.nict.jp"},
    {"HttpTime", "Check14", "0"},
    {"palk_kick", "palk_kick", "0"},
    {"vens_kick", "vens_kick", "0"},
    {"dwim_kick", "dwim_kick", "0"},
    {"quick_lu_id", "quick_lu_id", "0"},
    {"NetAutoConnect", "palk_check1", "0"},
    {"HedAutoRev", "palk_check2", "0"},
    {"TimeUpdate", "palk_check3", "0"},
    {"MailAutoRev", "palk_check4", "0"},
    {"AutoEnd", "palk_check5", "0"},
    {"tele01", "Combo3", "23"},
    {"tele02", "Combo4", "0"},
    {"tele03", "Combo5", "8"},
    {"tele04", "Combo6", "0"},
    {"kido", "Check12", "0"},
    {"syuryo", "Check13", "0"},
    {"portSV1", "portSV", "110"},
    {"portSV2", "portSV2", "110"},
    {"portSV3", "portSV3", "110"},
    {"fuwafuwa", "Check15", "0"},
    {"start_wait", "Check16", "0"},
};

const QStringList kMail{"Server", "User", "pass"};
const QStringList kSend{"smtpSV", "smtpML"};
const QStringList kEntry{"net_ent", "net_user", "net_pass"};

QString stateOf(const QWidget* w) {
    if (const auto* box = qobject_cast<const QCheckBox*>(w))
        return box->isChecked() ? "1" : "0";
    if (const auto* list = qobject_cast<const QComboBox*>(w))
        return QString::number(list->currentIndex());
    if (const auto* text = qobject_cast<const QLineEdit*>(w))
        return text->text();
    ADD_FAILURE() << "no state for " << (w ? w->objectName().toStdString() : "(missing control)");
    return {};
}

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// A connection of the test's own to the settings database, to hold it locked elsewhere.
class OtherConnection {
public:
    OtherConnection() {
        EXPECT_EQ(sqlite3_open_v2(QFile::encodeName(settings_db::path()).constData(), &db_,
                                  SQLITE_OPEN_READWRITE, nullptr),
                  SQLITE_OK);
    }
    ~OtherConnection() { sqlite3_close_v2(db_); }
    void exec(const char* sql) {
        EXPECT_EQ(sqlite3_exec(db_, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql;
    }

private:
    sqlite3* db_ = nullptr;
};

class Settings : public ::testing::Test {
public: // the cases' lambdas use the helpers too
    void SetUp() override {
        state::resetAll();
        morvik::MessageBox = [this](const QString& text) { messages << text; };
        previousBin_ = qgetenv("MORVIK_BIN");
        qputenv("MORVIK_BIN", QFile::encodeName(bin.path()));
        ras->entries = {"会社 VPN", "モバイル", "isp"};
        dialup::install(ras);
        Stage::Install(&stage);
        IniManage::BeginBatch();
    }

    void TearDown() override {
        unload();
        Stage::Install(nullptr);
        dialup::install(nullptr);
        morvik::MessageBox = nullptr;
        qputenv("MORVIK_BIN", previousBin_);
    }

    void key(const QString& name, const QString& value) {
        IniManage::BeginBatch();
        ASSERT_TRUE(IniManage::WriteIni(name, value));
    }
    void row(const QString& table, int id, const QStringList& columns, const QStringList& values) {
        ASSERT_TRUE(settings_db::updateRow(table, id, columns, values));
    }
    Values stored(const QString& table, int id, const QStringList& columns) {
        return settings_db::readRow(table, id, columns).value_or(Values{});
    }
    void sibling(const QString& name) { writeBytes(bin.filePath(name), "#!/bin/sh\n"); }

    // Launch voices beyond the shipped ones, up to count, in the program folder's copy.
    void voices(int count) {
        heart::OpenResult heart = heart::open();
        ASSERT_TRUE(heart.db) << heart.error.toStdString();
        for (int id = int(heart::voiceNames(*heart.db).size()) + 1; id <= count; ++id) {
            heart::Statement insert(
                *heart.db, "INSERT INTO lunch_voice_master (lunch_voice_id, vice_name) VALUES (?1, ?2)");
            insert.bind(1, QString::number(id).rightJustified(2, QLatin1Char('0')))
                .bind(2, QStringLiteral("声%1").arg(id));
            ASSERT_EQ(insert.step(), heart::Statement::Step::done);
        }
    }

    // Opens the dialog as her menu does.
    UserData& open() {
        form = UserData::Show();
        return *form;
    }
    void unload() {
        UserData::Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // Empties the program folder, for the next case of a table.
    void freshFolder() {
        unload();
        QDir(home.path()).removeRecursively();
        QDir().mkpath(home.path());
    }

    template <typename T = QWidget> T* control(const char* name) {
        return form->findChild<T*>(QLatin1String(name));
    }

    void click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    // Replaces the box's text as the user does: the old text selected and deleted, the new one
    // typed (Japanese through the input method, as it arrives from one).
    void type(QLineEdit* box, const QString& text) {
        box->setFocus();
        box->selectAll();
        if (!box->text().isEmpty())
            QTest::keyClick(box, Qt::Key_Delete);
        bool ascii = true;
        for (QChar c : text)
            ascii = ascii && c.unicode() < 0x80;
        if (ascii) {
            QTest::keyClicks(box, text);
            return;
        }
        QInputMethodEvent commit;
        commit.setCommitString(text);
        QCoreApplication::sendEvent(box, &commit);
    }
    // Picks an item as the keyboard does (the list's own notifications run; from no item, the
    // first arrow picks the first).
    void pick(QComboBox* list, int index) {
        list->setFocus();
        for (int step = 0; step < list->count() && list->currentIndex() != index; ++step)
            QTest::keyClick(list, list->currentIndex() < index ? Qt::Key_Down : Qt::Key_Up);
        ASSERT_EQ(list->currentIndex(), index) << list->objectName().toStdString();
    }
    // Picks an item from the open list, as a click on it does: unlike the arrows, this picks the
    // item already shown again.
    void choose(QComboBox* list, int index) {
        list->showPopup();
        QAbstractItemView* items = list->view();
        ASSERT_TRUE(items->isVisible()) << list->objectName().toStdString();
        items->setCurrentIndex(list->model()->index(index, list->modelColumn()));
        QTest::keyClick(items, Qt::Key_Return);
        ASSERT_FALSE(items->isVisible()) << list->objectName().toStdString();
        ASSERT_EQ(list->currentIndex(), index) << list->objectName().toStdString();
    }
    void save() { click(form->Command1); }

    QString ini() const { return home.file("mailSet.ini"); }
    // The key=value lines of the user's section.
    QStringList sectionLines() {
        QStringList lines;
        bool inside = false;
        for (const QString& line : QString::fromUtf8(bytesOf(ini())).split('\n')) {
            if (line.startsWith('['))
                inside = line == "[" + IniManage::state.Section + "]";
            else if (inside && !line.isEmpty())
                lines << line;
        }
        return lines;
    }

    TestHome home;
    QTemporaryDir bin;
    FakeStage stage;
    std::shared_ptr<FakeRas> ras = std::make_shared<FakeRas>();
    QStringList messages;
    QPointer<UserData> form;
    QByteArray previousBin_;
};

TEST_F(Settings, AFirstRunShowsTheDefaults) {
    open();
    EXPECT_EQ(form->windowTitle(), "モルヴィクCHECKERの設定");
    for (const KeyControl& k : kKeys)
        EXPECT_EQ(stateOf(control(k.control)), QString::fromUtf8(k.firstRun)) << k.key;
    EXPECT_TRUE(form->Check1->isChecked());
    for (QLineEdit* box :
         {form->popSV, form->mailAC, form->pass, form->popSV2, form->mailAC2, form->pass2, form->popSV3,
          form->mailAC3, form->pass3, form->smtpSV, form->smtpML, form->Text3, form->Text4})
        EXPECT_EQ(box->text(), "") << box->objectName().toStdString();
    for (QLineEdit* box : {form->pass, form->pass2, form->pass3, form->Text4})
        EXPECT_EQ(box->echoMode(), QLineEdit::Password) << box->objectName().toStdString();
    EXPECT_EQ(form->Combo1->currentText(), "設定しない");
    EXPECT_EQ(form->Combo2->currentText(), "設定しない");
    EXPECT_EQ(form->quick_lu_id->currentText(), "");
    EXPECT_EQ(form->lunch_id->currentIndex(), -1);
    EXPECT_EQ(form->lunch_voice->currentIndex(), -1);
    EXPECT_EQ(form->lunch_voice->count(), 6); // the shipped voices
    EXPECT_EQ(form->lblVersion->text(), "Version 0.1.0");
    EXPECT_TRUE(form->Command1->isEnabled());
    // The dial-up object's entries, none chosen.
    ASSERT_EQ(form->Combo7->count(), 3);
    EXPECT_EQ(form->Combo7->itemText(1), "モバイル");
    EXPECT_EQ(form->Combo7->currentIndex(), -1);
}

TEST_F(Settings, TheListsHoldTheirItemsInOrderAndTakeNoTypedText) {
    open();
    const auto items = [](const QComboBox* list) {
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            out << list->itemText(i);
        return out;
    };
    EXPECT_EQ(items(form->Combo1), (QStringList{"設定しない", "１分ごと", "５分ごと", "３０分ごと"}));
    EXPECT_EQ(items(form->Combo2), (QStringList{"設定しない", "５秒", "１０秒", "１５秒"}));
    EXPECT_EQ(form->Combo3->count(), 24);
    EXPECT_EQ(form->Combo4->count(), 60);
    EXPECT_EQ(form->Combo6->itemText(59), "59");
    EXPECT_EQ(items(form->lunch_id),
              (QStringList{"01", "02", "03", "04", "05", "06", "07", "08", "09", "10"}));
    EXPECT_EQ(items(form->quick_lu_id),
              (QStringList{"", "01", "02", "03", "04", "05", "06", "07", "08", "09", "10"}));
    for (const QComboBox* list : form->findChildren<QComboBox*>())
        EXPECT_FALSE(list->isEditable()) << list->objectName().toStdString();
}

TEST_F(Settings, EachKeyShowsInItsControlAndNoOther) {
    struct Case {
        const char* key;
        const char* value;
        const char* shows; // the state of the key's control
    };
    std::vector<Case> cases;
    for (const KeyControl& k : kKeys) {
        if (QString::fromUtf8(k.firstRun) == "0" &&
            QString::fromUtf8(k.control).contains(QRegularExpression("^(Check|palk_|vens_|dwim_)")))
            cases.push_back({k.key, "1", "1"});
    }
    const Case others[] = {
        {"batflag", "0", "0"},
        {"batflag", "1", "1"},
        {"batflag", "2", "1"},
        {"batflag", "", "1"},
        {"flag2", "true", "0"},
        {"mailcheckF", "3", "3"},
        {"mailcheckF", "-1", "0"},
        {"mailcheckF", "9", "0"},
        {"fukiClose", "2", "2"},
        {"MasterName", "ユキ", "ユキ"},
        {"sntpTXT", "ntp.example.jp", "ntp.example.jp"},
        {"quick_lu_id", "0", "1"},
        {"quick_lu_id", "9", "10"},
        {"quick_lu_id", "-1", "0"},
        {"quick_lu_id", "x", "0"},
        {"quick_lu_id", "12", "0"},
        {"tele01", "0", "0"},
        {"tele01", "24", "23"},
        {"tele01", "x", "23"},
        {"tele02", "59", "59"},
        {"tele03", "23", "23"},
        {"tele03", "-1", "8"},
        {"tele04", "30", "30"},
        {"portSV1", "995", "995"},
        {"portSV2", "abc", "abc"},
        {"portSV3", "1", "1"},
    };
    cases.insert(cases.end(), std::begin(others), std::end(others));
    sibling("palk"); // palk_kick and vens_kick can be set only with their programs there
    sibling("vens");
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.value);
        freshFolder();
        key(QString::fromUtf8(c.key), QString::fromUtf8(c.value));
        open();
        for (const KeyControl& k : kKeys) {
            const QString expected = QString::fromUtf8(std::string(k.key) == c.key ? c.shows : k.firstRun);
            EXPECT_EQ(stateOf(control(k.control)), expected) << k.key;
        }
    }
}

TEST_F(Settings, ThePalkChoresAreReadAsTheLoadReachesThem) {
    sibling("palk");
    for (const char* name :
         {"NetAutoConnect", "HedAutoRev", "TimeUpdate", "MailAutoRev", "AutoEnd", "fuwafuwa"})
        key(QString::fromUtf8(name), "1");
    open();
    for (QCheckBox* box : {form->palk_check1, form->palk_check2, form->palk_check3, form->palk_check4,
                           form->palk_check5, form->Check15})
        EXPECT_TRUE(box->isChecked()) << box->objectName().toStdString();
}

TEST_F(Settings, RowsFillTheirBoxesAndARowWithNullEmptiesAllOfThem) {
    row("mail", 1, kMail, {"pop.example.jp", "yuki", "秘密"});
    row("mail", 2, {"Server", "User"}, {"pop2.example.jp", "half"}); // pass stays Null
    row("mail", 3, kMail, {"", "", ""});                             // empty, not Null
    row("sendml", 1, {"smtpSV"}, {"smtp.example.jp"});               // smtpML stays Null
    row("net_entry", 1, kEntry, {"モバイル", "dial", "pw"});
    open();
    EXPECT_EQ(QStringList({form->popSV->text(), form->mailAC->text(), form->pass->text()}),
              (QStringList{"pop.example.jp", "yuki", "秘密"}));
    EXPECT_EQ(QStringList({form->popSV2->text(), form->mailAC2->text(), form->pass2->text()}),
              (QStringList{"", "", ""}));
    EXPECT_EQ(QStringList({form->smtpSV->text(), form->smtpML->text()}), (QStringList{"", ""}));
    EXPECT_EQ(form->Combo7->currentText(), "モバイル");
    EXPECT_EQ(form->Text3->text(), "dial");
    EXPECT_EQ(form->Text4->text(), "pw");

    // An entry NetworkManager no longer has is not chosen; its user and password still show.
    ras->entries = {"isp"};
    unload();
    open();
    EXPECT_EQ(form->Combo7->currentIndex(), -1);
    EXPECT_EQ(form->Text3->text(), "dial");
    // A Null in the entry's row empties all three.
    row("net_entry", 1, {"net_ent", "net_user"}, {"isp", "dial"});
    {
        OtherConnection other;
        other.exec("UPDATE net_entry SET net_pass = NULL");
    }
    unload();
    open();
    EXPECT_EQ(form->Combo7->currentIndex(), -1);
    EXPECT_EQ(form->Text3->text(), "");
    EXPECT_EQ(form->Text4->text(), "");
}

TEST_F(Settings, SiblingProgramsOpenTheirControls) {
    struct Case {
        QStringList siblings;
        bool palk, vens;
    };
    for (const Case& c : {Case{{}, false, false}, Case{{"palk"}, true, false}, Case{{"vens"}, false, true},
                          Case{{"palk", "vens", "dwim"}, true, true}}) {
        SCOPED_TRACE(c.siblings.join(",").toStdString());
        freshFolder();
        QDir(bin.path()).removeRecursively();
        QDir().mkpath(bin.path());
        for (const QString& name : c.siblings)
            sibling(name);
        open();
        EXPECT_EQ(form->palk_kick->isEnabled(), c.palk);
        EXPECT_EQ(form->Frame16->isHidden(), !c.palk);
        EXPECT_EQ(form->vens_kick->isEnabled(), c.vens);
        EXPECT_EQ(form->SSTab1->isTabEnabled(3), c.vens);
        EXPECT_EQ(form->SSTab1->tabText(3), "ランチャーの設定");
        // dwim is no program of this system.
        EXPECT_FALSE(form->dwim_kick->isEnabled());
    }
}

TEST_F(Settings, OneSaveIntoAFreshSectionWritesExactlyThe35KeysInOrder) {
    sibling("vens"); // the launcher tab, with the quick-launch list
    writeBytes(ini(), "[someone-else]\nflag2=1\n");
    open();
    click(form->Check4); // shutdown item on
    click(form->Check6); // battery watch off
    pick(form->Combo1, 2);
    pick(form->quick_lu_id, 3);
    pick(form->Combo5, 6);
    type(form->MasterName, "ユキ");
    save();

    EXPECT_TRUE(messages.isEmpty()) << messages.join(" / ").toStdString();
    QStringList keys, values;
    for (const QString& line : sectionLines()) {
        keys << line.section('=', 0, 0);
        values << line.section('=', 1);
    }
    QStringList expectedKeys;
    for (const KeyControl& k : kKeys)
        expectedKeys << QString::fromUtf8(k.key);
    EXPECT_EQ(keys, expectedKeys);
    const QStringList texts{"MasterName", "sntpTXT", "portSV1", "portSV2", "portSV3"};
    const QStringList lists{"mailcheckF", "fukiClose", "quick_lu_id", "tele01", "tele02", "tele03", "tele04"};
    for (int i = 0; i < keys.size(); ++i) {
        if (!texts.contains(keys[i]) && !lists.contains(keys[i])) {
            EXPECT_TRUE(values[i] == "0" || values[i] == "1")
                << keys[i].toStdString() << "=" << values[i].toStdString();
        }
    }
    const auto value = [&](const char* k) { return values.value(keys.indexOf(QString::fromUtf8(k))); };
    EXPECT_EQ(value("shutdown"), "1");
    EXPECT_EQ(value("batflag"), "0");
    EXPECT_EQ(value("mailcheckF"), "2");
    EXPECT_EQ(value("quick_lu_id"), "2");
    EXPECT_EQ(value("tele03"), "6");
    EXPECT_EQ(value("tele01"), "23");
    EXPECT_EQ(value("MasterName"), "ユキ");
    EXPECT_EQ(value("sntpTXT"), "ntp.nict.jp");
    EXPECT_EQ(value("portSV1"), "110");
    EXPECT_TRUE(bytesOf(ini()).startsWith("[someone-else]\nflag2=1\n"));

    // Her menu item and her battery watch follow at once; the dialog is unloaded.
    EXPECT_EQ(stage.calls, (QStringList{"ShowItem shutdown shown", "Stop Battery"}));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(UserData::Loaded(), nullptr);
    EXPECT_TRUE(form.isNull());
}

TEST_F(Settings, TheEmptyQuickItemIsSavedAsNone) {
    sibling("vens");
    key("quick_lu_id", "4");
    open();
    EXPECT_EQ(form->quick_lu_id->currentText(), "05");
    pick(form->quick_lu_id, 0);
    save();
    EXPECT_TRUE(sectionLines().contains("quick_lu_id=-1"));
}

// The rows a save writes under their conditions, exactly as typed.
TEST_F(Settings, RowsAreWrittenUnderTheirConditionsExactlyAsTyped) {
    struct Case {
        const char* name;
        std::function<void(Settings&, UserData&)> edit;
        Values mail1, mail2, mail3, sendml, entry;
    };
    const Values old1{"old1", "old1", "old1"}, old2{"old2", "old2", "old2"}, old3{"old3", "old3", "old3"};
    const Values oldSend{"oldsmtp", "old@example.jp"}, oldEntry{"isp", "olduser", "oldpw"};
    const std::vector<Case> cases{
        {"nothing changed: every complete row is written back as it was", [](Settings&, UserData&) {}, old1,
         old2, old3, oldSend, oldEntry},
        {"account 1 partly empty is kept",
         [](Settings& t, UserData& f) {
             t.type(f.pass, ""); // disabled
             t.click(f.Check2);  // account 2 off: enabled, the latest event counts
             t.click(f.Check2);  // and on again: its boxes are filled, the button stays
         },
         old1, old2, old3, oldSend, oldEntry},
        {"account 2 checked but empty is written empty",
         [](Settings& t, UserData& f) {
             for (QLineEdit* box : {f.popSV2, f.mailAC2, f.pass2})
                 t.type(box, "");     // account 2 is on: disabled
             t.type(f.popSV, "new1"); // account 1 complete: enabled
         },
         Values{"new1", "old1", "old1"}, Values{"", "", ""}, old3, oldSend, oldEntry},
        {"account 3 unchecked is kept", [](Settings& t, UserData& f) { t.type(f.popSV3, "changed"); }, old1,
         old2, old3, oldSend, oldEntry},
        {"sending with one box empty is kept", [](Settings& t, UserData& f) { t.type(f.smtpML, ""); }, old1,
         old2, old3, oldSend, oldEntry},
        {"no entry chosen is kept",
         [](Settings& t, UserData& f) {
             f.Combo7->setCurrentIndex(-1);
             t.type(f.Text3, "someone");
         },
         old1, old2, old3, oldSend, oldEntry},
        {"a chosen entry is written",
         [](Settings& t, UserData& f) {
             t.pick(f.Combo7, 1);
             t.type(f.Text4, "新しい");
         },
         old1, old2, old3, oldSend, Values{"モバイル", "olduser", "新しい"}},
        {"quotes, comment marks and kanji read back exact",
         [](Settings& t, UserData& f) {
             t.type(f.popSV, "o'neil's \"pop\"");
             t.type(f.mailAC, "x'); DROP TABLE mail; --");
             t.type(f.pass, "--");
             t.type(f.smtpSV, "送信'サーバ\"");
             t.type(f.smtpML, "漢字@例え.jp");
         },
         Values{"o'neil's \"pop\"", "x'); DROP TABLE mail; --", "--"}, old2, old3,
         Values{"送信'サーバ\"", "漢字@例え.jp"}, oldEntry},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        freshFolder();
        row("mail", 1, kMail, {"old1", "old1", "old1"});
        row("mail", 2, kMail, {"old2", "old2", "old2"});
        row("mail", 3, kMail, {"old3", "old3", "old3"});
        row("sendml", 1, kSend, {"oldsmtp", "old@example.jp"});
        row("net_entry", 1, kEntry, {"isp", "olduser", "oldpw"});
        key("flag2", "1");
        open();
        c.edit(*this, *form);
        ASSERT_TRUE(form->Command1->isEnabled());
        save();
        EXPECT_TRUE(messages.isEmpty()) << messages.join(" / ").toStdString();
        EXPECT_EQ(stored("mail", 1, kMail), c.mail1);
        EXPECT_EQ(stored("mail", 2, kMail), c.mail2);
        EXPECT_EQ(stored("mail", 3, kMail), c.mail3);
        EXPECT_EQ(stored("sendml", 1, kSend), c.sendml);
        EXPECT_EQ(stored("net_entry", 1, kEntry), c.entry);
        messages.clear();
    }
}

TEST_F(Settings, ARefusedOrFailedSaveChangesNeitherStoreAndKeepsTheDialog) {
    struct Case {
        const char* name;
        const char* control; // a text box, or "" for none
        const char* text;
        std::function<void(Settings&)> before; // done just before the click
        const QString& message;
    };
    const std::vector<Case> cases{
        {"an 11-character name", "MasterName", "ゆきゆきゆきゆきゆきゆ", {}, UserData::kNameTooLong},
        {"port abc", "portSV", "abc", {}, UserData::kPortNotNumber},
        {"port empty", "portSV2", "", {}, UserData::kPortNotNumber},
        {"port 0", "portSV3", "0", {}, UserData::kPortNotNumber},
        {"port 65536", "portSV", "65536", {}, UserData::kPortNotNumber},
        {"port 1e3", "portSV2", "1e3", {}, UserData::kPortNotNumber},
        {"port with a sign", "portSV3", "+110", {}, UserData::kPortNotNumber},
        {"a settings file that cannot be rewritten", "", "",
         [](Settings& t) { writeBytes(t.ini(), "[x]\nkey=\xff\xfe\xff\n"); }, UserData::kNotSaved},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        freshFolder();
        row("mail", 1, kMail, {"pop", "user", "pw"});
        key("MasterName", "ユキ");
        open();
        // Values that would change both stores, were anything written.
        type(form->popSV, "new-pop");
        type(form->smtpSV, "new-smtp");
        type(form->smtpML, "new@example.jp");
        click(form->Check8);
        if (*c.control)
            type(control<QLineEdit>(c.control), QString::fromUtf8(c.text));
        if (c.before)
            c.before(*this);
        const QByteArray iniBefore = bytesOf(ini());
        const QByteArray dbBefore = bytesOf(settings_db::path());
        messages.clear();
        save();
        EXPECT_EQ(messages, QStringList{c.message});
        EXPECT_EQ(bytesOf(ini()), iniBefore);
        EXPECT_EQ(bytesOf(settings_db::path()), dbBefore);
        ASSERT_FALSE(form.isNull());
        EXPECT_TRUE(form->isVisible());
        EXPECT_EQ(UserData::Loaded(), form.data());
        EXPECT_TRUE(stage.calls.isEmpty());
    }
}

TEST_F(Settings, ADatabaseLockedElsewhereIsNotSaved) {
    row("mail", 1, kMail, {"pop", "user", "pw"});
    open();
    type(form->popSV, "new-pop");
    const QByteArray iniBefore = bytesOf(ini());
    const QByteArray dbBefore = bytesOf(settings_db::path());
    OtherConnection other;
    other.exec("BEGIN IMMEDIATE");
    save();
    other.exec("ROLLBACK");
    EXPECT_EQ(messages, QStringList{UserData::kNotSaved});
    EXPECT_EQ(bytesOf(ini()), iniBefore);
    EXPECT_EQ(bytesOf(settings_db::path()), dbBefore);
    ASSERT_FALSE(form.isNull());
    EXPECT_TRUE(form->isVisible());
    // Once the other program lets go, the same dialog saves.
    save();
    EXPECT_EQ(stored("mail", 1, kMail), (Values{"new-pop", "user", "pw"}));
}

TEST_F(Settings, ANameOfTenCharactersIsSaved) {
    open();
    type(form->MasterName, "ゆきゆきゆきゆきゆき");
    save();
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_TRUE(sectionLines().contains("MasterName=ゆきゆきゆきゆきゆき"));
}

TEST_F(Settings, TheOkButtonAfterTheLoad) {
    struct Case {
        const char* name;
        std::function<void(Settings&)> stores;
        bool enabled;
    };
    const std::vector<Case> cases{
        {"first run", [](Settings&) {}, true},
        {"account 1 complete",
         [](Settings& t) {
             t.row("mail", 1, kMail, {"a", "b", "c"});
         },
         true},
        {"account 1 with an empty text",
         [](Settings& t) {
             t.row("mail", 1, kMail, {"a", "", "c"});
         },
         false},
        {"account 2 on and empty", [](Settings& t) { t.key("flag2", "1"); }, false},
        {"account 3 on and complete",
         [](Settings& t) {
             t.key("flag3", "1");
             t.row("mail", 3, kMail, {"a", "b", "c"});
         },
         true},
        {"account 3 off and empty", [](Settings& t) { t.key("flag3", "0"); }, true},
        {"account 2 on and half filled",
         [](Settings& t) {
             t.key("flag2", "1");
             t.row("mail", 2, kMail, {"a", "b", ""});
         },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        freshFolder();
        c.stores(*this);
        open();
        EXPECT_EQ(form->Command1->isEnabled(), c.enabled);
    }
}

TEST_F(Settings, TheOkButtonFollowsTheLatestEvent) {
    struct Case {
        const char* name;
        std::function<void(Settings&, UserData&)> events;
        bool enabled;
    };
    const std::vector<Case> cases{
        {"a box of account 1 emptied", [](Settings& t, UserData& f) { t.type(f.mailAC, ""); }, false},
        {"and filled again",
         [](Settings& t, UserData& f) {
             t.type(f.mailAC, "");
             t.type(f.mailAC, "me");
         },
         true},
        {"account 3 switched on while empty", [](Settings& t, UserData& f) { t.click(f.Check3); }, false},
        {"and off again",
         [](Settings& t, UserData& f) {
             t.click(f.Check3);
             t.click(f.Check3);
         },
         true},
        {"account 2 typed into while off",
         [](Settings& t, UserData& f) {
             t.type(f.mailAC, "");
             t.type(f.popSV2, "x");
         },
         false},
        {"account 2 on, then a change in account 1 enables it while account 2 is incomplete",
         [](Settings& t, UserData& f) {
             t.click(f.Check2);
             t.type(f.pass, "new");
         },
         true},
        {"account 2 on and filled box by box",
         [](Settings& t, UserData& f) {
             t.click(f.Check2);
             t.type(f.popSV2, "s");
             t.type(f.mailAC2, "u");
             EXPECT_FALSE(f.Command1->isEnabled());
             t.type(f.pass2, "p");
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        freshFolder();
        row("mail", 1, kMail, {"pop", "user", "pw"});
        open();
        ASSERT_TRUE(form->Command1->isEnabled());
        c.events(*this, *form);
        EXPECT_EQ(form->Command1->isEnabled(), c.enabled);
    }
}

TEST_F(Settings, AccountOneCannotBeSwitchedOff) {
    open();
    click(form->Check1);
    EXPECT_EQ(messages, QStringList{"このチェックを無効にできません"});
    EXPECT_TRUE(form->Check1->isChecked());
}

class Launcher : public Settings {
protected:
    void SetUp() override {
        Settings::SetUp();
        sibling("vens");
        voices(12);
        open();
    }
    QString value(const QString& name) {
        IniManage::BeginBatch();
        return IniManage::GetIni(name);
    }
    // Answers the file chooser as soon as it shows, as the user does: Cancel (no path), or the path
    // typed into its name box and Return.
    void answerChooser(const QString& path) {
        QTimer::singleShot(0, form, [this, path] {
            QFileDialog* chooser = form->CommonDialog1;
            ASSERT_NE(chooser, nullptr);
            ASSERT_TRUE(chooser->isVisible());
            if (path.isEmpty()) {
                chooser->reject();
                return;
            }
            auto* name = chooser->findChild<QLineEdit*>("fileNameEdit");
            ASSERT_NE(name, nullptr);
            name->setText(path);
            QTest::keyClick(name, Qt::Key_Return);
            if (chooser->isVisible()) {
                ADD_FAILURE() << "the chooser did not take " << path.toStdString();
                chooser->reject();
            }
        });
    }
};

TEST_F(Launcher, RegisteringWithoutAPathWritesNothingButNamesTheEntry) {
    pick(form->lunch_id, 3);
    const QByteArray before = bytesOf(ini());
    click(form->lunch_insert);
    EXPECT_EQ(form->lunch_name->text(), "名無しあぷりその04");
    EXPECT_EQ(messages, QStringList{"アプリケーションのパスを登録してください"});
    EXPECT_EQ(bytesOf(ini()), before);
}

TEST_F(Launcher, RegisteringWithoutASlotAsksForOne) {
    type(form->lunch_name, "x");
    type(form->lunch_pass, "/bin/true");
    click(form->lunch_insert);
    click(form->lunch_delete);
    EXPECT_EQ(messages, (QStringList{"設定番号を選択してください", "設定番号を選択してください"}));
    EXPECT_FALSE(QFile::exists(ini()));
}

TEST_F(Launcher, RegisteringWritesTheSlotNumberAndTheVoiceByItsPosition) {
    struct Case {
        int slot, voice;
        const char* id;
        const char* voiceId;
    };
    for (const Case& c : {Case{9, 4, "10", "05"}, Case{0, -1, "01", "00"}, Case{4, 11, "05", "12"}}) {
        SCOPED_TRACE(c.slot);
        pick(form->lunch_id, c.slot);
        type(form->lunch_name, "エディタ");
        type(form->lunch_pass, "/usr/bin/my editor");
        if (c.voice < 0)
            form->lunch_voice->setCurrentIndex(-1);
        else
            pick(form->lunch_voice, c.voice);
        click(form->lunch_insert);
        const QString i = QString::number(c.slot);
        EXPECT_EQ(value("lunch_id" + i), QString::fromUtf8(c.id));
        EXPECT_EQ(value("lunch_name" + i), "エディタ");
        EXPECT_EQ(value("lunch_pass" + i), "/usr/bin/my editor");
        EXPECT_EQ(value("lunch_voice" + i), QString::fromUtf8(c.voiceId));
    }
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(Launcher, ShowingASlotSelectsItsVoiceAndAClearedSlotSelectsNone) {
    key("lunch_name2", "端末");
    key("lunch_pass2", "/usr/bin/term");
    key("lunch_voice2", "03");
    key("lunch_name5", "音なし");
    key("lunch_pass5", "/usr/bin/quiet");
    key("lunch_voice5", "00");
    key("lunch_name6", "壊れた");
    key("lunch_pass6", "/usr/bin/odd");
    key("lunch_voice6", "x");
    pick(form->lunch_id, 2);
    EXPECT_EQ(form->lunch_name->text(), "端末");
    EXPECT_EQ(form->lunch_pass->text(), "/usr/bin/term");
    EXPECT_EQ(form->lunch_voice->currentIndex(), 2);
    pick(form->lunch_id, 5);
    EXPECT_EQ(form->lunch_voice->currentIndex(), -1);
    pick(form->lunch_id, 6);
    EXPECT_EQ(form->lunch_voice->currentIndex(), -1);

    // Cleared: the boxes keep what they show, the slot's number stays; selected again it shows
    // nothing, and a registration from there does not carry the earlier voice along.
    pick(form->lunch_id, 2);
    click(form->lunch_delete);
    EXPECT_EQ(form->lunch_name->text(), "端末");
    EXPECT_EQ(value("lunch_name2"), "");
    EXPECT_EQ(value("lunch_pass2"), "");
    EXPECT_EQ(value("lunch_voice2"), "");
    pick(form->lunch_id, 3);
    pick(form->lunch_id, 2);
    EXPECT_EQ(form->lunch_name->text(), "");
    EXPECT_EQ(form->lunch_pass->text(), "");
    EXPECT_EQ(form->lunch_voice->currentIndex(), -1);
    type(form->lunch_pass, "/usr/bin/other");
    click(form->lunch_insert);
    EXPECT_EQ(value("lunch_voice2"), "00");
    EXPECT_EQ(value("lunch_name2"), "名無しあぷりその03");
}

TEST_F(Launcher, AClearedSlotPickedAgainAtOnceShowsItClearedAndRegistersNothing) {
    key("lunch_id2", "03");
    key("lunch_name2", "端末");
    key("lunch_pass2", "/usr/bin/term");
    key("lunch_voice2", "03");
    choose(form->lunch_id, 2);
    ASSERT_EQ(form->lunch_name->text(), "端末");
    ASSERT_EQ(form->lunch_voice->currentIndex(), 2);
    click(form->lunch_delete);
    ASSERT_EQ(form->lunch_name->text(), "端末"); // the boxes keep what they show

    choose(form->lunch_id, 2); // the same slot, no other in between
    EXPECT_EQ(form->lunch_name->text(), "");
    EXPECT_EQ(form->lunch_pass->text(), "");
    EXPECT_EQ(form->lunch_voice->currentIndex(), -1);
    const QByteArray cleared = bytesOf(ini());
    click(form->lunch_insert);
    EXPECT_EQ(messages, QStringList{"アプリケーションのパスを登録してください"});
    EXPECT_EQ(form->lunch_name->text(), "名無しあぷりその03");
    EXPECT_EQ(bytesOf(ini()), cleared);
    EXPECT_EQ(value("lunch_name2"), "");

    // A registered slot picked again drops what was typed over it.
    key("lunch_name4", "ブラウザ");
    key("lunch_pass4", "/usr/bin/browser");
    key("lunch_voice4", "05");
    choose(form->lunch_id, 4);
    type(form->lunch_name, "typed");
    type(form->lunch_pass, "/usr/bin/typed");
    form->lunch_voice->setCurrentIndex(-1);
    choose(form->lunch_id, 4);
    EXPECT_EQ(form->lunch_name->text(), "ブラウザ");
    EXPECT_EQ(form->lunch_pass->text(), "/usr/bin/browser");
    EXPECT_EQ(form->lunch_voice->currentIndex(), 4);
}

TEST_F(Settings, TheLauncherEditorOpensOnNoSlotWithEmptyBoxes) {
    sibling("vens");
    key("lunch_id0", "01");
    key("lunch_name0", "テスト");
    key("lunch_pass0", "/usr/bin/tool");
    key("lunch_voice0", "01");
    open();
    EXPECT_EQ(form->lunch_id->currentIndex(), -1);
    EXPECT_EQ(form->lunch_name->text(), "");
    EXPECT_EQ(form->lunch_pass->text(), "");
    EXPECT_EQ(form->lunch_voice->currentIndex(), -1);
    pick(form->lunch_id, 0);
    EXPECT_EQ(form->lunch_name->text(), "テスト");
    EXPECT_EQ(form->lunch_voice->currentIndex(), 0);
}

TEST_F(Launcher, TheFileChooserSetsThePathAndCancelLeavesIt) {
    QTemporaryDir programs;
    const QString tool = programs.filePath("my tool");
    writeBytes(tool, "#!/bin/sh\n");
    type(form->lunch_pass, "/usr/bin/typed");
    answerChooser({});
    click(form->lunch_pass_select);
    EXPECT_EQ(form->lunch_pass->text(), "/usr/bin/typed");
    answerChooser(tool);
    click(form->lunch_pass_select);
    EXPECT_EQ(form->lunch_pass->text(), tool);
    type(form->lunch_pass, "/usr/bin/retyped");
    answerChooser({});
    click(form->lunch_pass_select);
    EXPECT_EQ(form->lunch_pass->text(), "/usr/bin/retyped");
    EXPECT_FALSE(QFile::exists(ini()));
}

TEST_F(Settings, Label11ShowsTheFourKindsFromTheLinkedLibrary) {
    open();
    const QString version = QString::fromUtf8(archive_version_string());
    EXPECT_EQ(form->Label11->text(), "Unlha32.dll : " + version + "\nUnzip32.dll : " + version +
                                         "\nCab32.dll : " + version + "\nUnrar32.dll : " + version);
    EXPECT_EQ(form->Frame8->title(), "DLL設定状態");
}

TEST_F(Settings, Label11SaysNotFoundOnEachLineWhileTheLibraryIsMissing) {
    // Each load asks afresh: a library gone, then back, changes the next load's lines.
    struct Pretend {
        explicit Pretend(bool missing) { platform::archive::library().pretendMissing(missing); }
        ~Pretend() { platform::archive::library().pretendMissing(false); }
    };
    const QString version = QString::fromUtf8(archive_version_string());
    const char* const labels[] = {"Unlha32.dll : ", "Unzip32.dll : ", "Cab32.dll : ", "Unrar32.dll : "};
    for (bool missing : {true, false, true}) {
        SCOPED_TRACE(missing ? "missing" : "there");
        const Pretend pretend(missing);
        open();
        const QStringList lines = form->Label11->text().split('\n');
        ASSERT_EQ(lines.size(), 4) << form->Label11->text().toStdString();
        for (int line = 0; line < 4; ++line)
            EXPECT_EQ(lines[line],
                      QString::fromUtf8(labels[line]) + (missing ? QStringLiteral("not found") : version));
        unload();
    }
}

TEST_F(Settings, AFormLoadedHiddenIsTheOneTheMenuShows) {
    row("mail", 1, kMail, {"pop", "user", "pw"});
    UserData& hidden = UserData::Default();
    EXPECT_FALSE(hidden.isVisible());
    EXPECT_EQ(hidden.popSV->text(), "pop");
    hidden.popSV->setText("edited");
    row("mail", 1, kMail, {"changed", "user", "pw"});
    EXPECT_EQ(UserData::Show(), &hidden);
    EXPECT_TRUE(hidden.isVisible());
    EXPECT_EQ(hidden.popSV->text(), "edited");
    // Cancel unloads: the next showing loads afresh.
    QPointer<UserData> first(&hidden);
    click(hidden.Command2);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(UserData::Loaded(), nullptr);
    open();
    EXPECT_EQ(form->popSV->text(), "changed");
}

} // namespace
