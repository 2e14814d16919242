// The mail list and the compose window offscreen, on a cache of the test's own, a recording talk
// and stage, and a stand-in sender behind the send seam.
#include "app/mail/mail_cache.h"
#include "app/mail/maillook.h"
#include "app/mail/send.h"
#include "app/mail/sendF.h"
#include "app/settings/settings_db.h"
#include "app/window/morvik.h"
#include "mail_fixture.h"
#include "platform/program_folder.h"

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QMutex>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTreeWidget>
#include <QtTest/QTest>

namespace {

using mail::cache::Row;

// What the stand-in sender was given, a call each.
struct SentMail {
    QString folder, server, recipient, sender, subject, body, seventh;
};

class MailWindows : public MailStage {
protected:
    void SetUp() override {
        MailStage::SetUp();
        morvik::MessageBox = [this](const QString& text) { boxes << text; };
        mail::setSender([this](unsigned, const QString& folder, const QString& server,
                               const QString& recipient, const QString& sender, const QString& subject,
                               const QString& body, const QString& seventh) {
            QMutexLocker locked(&lock);
            sent.push_back({folder, server, recipient, sender, subject, body, seventh});
            busyWhileSending << flag::state.MailBusy;
            return reply;
        });
    }
    void TearDown() override {
        sendF::Unload();
        maillook::Unload();
        mail::setSender({});
        morvik::MessageBox = nullptr;
        MailStage::TearDown();
    }

    // A cache of the given rows, their ids from 1.
    static void cacheOf(const std::vector<Row>& rows) {
        ASSERT_TRUE(mail::cache::create());
        ASSERT_TRUE(mail::cache::append(rows));
    }
    static Row row(qint64 id, const QString& subject,
                   const QString& from = QStringLiteral("From:ann <a@x.example>")) {
        return {id,
                subject,
                from,
                QStringLiteral("Date:2026/12/10 11:20"),
                QStringLiteral("Body:body %1").arg(id),
                QStringLiteral("ann")};
    }
    static std::vector<Row> threeRows() {
        return {row(1, QStringLiteral("Subject:first")), row(2, QStringLiteral("Subject:Re:second")),
                row(3, QStringLiteral("Subject:third"))};
    }
    void setUpSending(const QString& server, const QString& own) {
        ASSERT_TRUE(settings_db::ensure());
        ASSERT_TRUE(settings_db::updateRow(QStringLiteral("sendml"), 1,
                                           {QStringLiteral("smtpSV"), QStringLiteral("smtpML")},
                                           {server, own}));
    }
    maillook* shownList() {
        maillook::Show();
        maillook* list = maillook::Instance();
        EXPECT_NE(list, nullptr);
        return list;
    }
    static void select(maillook* list, int row) {
        QTreeWidgetItem* item = list->ListView1->topLevelItem(row);
        list->ListView1->setCurrentItem(item);
        list->ListView1_ItemClick(item);
    }
    static void mouse(QWidget* widget, QEvent::Type type, int y) {
        QMouseEvent event(type, QPointF(5, y), widget->mapToGlobal(QPointF(5, y)), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &event);
    }
    static void typeInto(sendF* window, const QString& address, const QString& title, const QString& body) {
        window->sendaddress->setText(address);
        window->sendtitle->setText(title);
        window->sendbody->setPlainText(body);
    }
    static QStringList texts(sendF* window) {
        return {window->sendaddress->text(), window->sendtitle->text(), window->sendbody->toPlainText()};
    }

    QStringList boxes;
    QList<int> busyWhileSending; // flag.MailBusy while each sending ran
    QMutex lock;
    std::vector<SentMail> sent;
    QString reply;
};

TEST_F(MailWindows, ListsTheCacheWithItsCuts) {
    // 12 characters of subject keep their last four; 10 of sender and date their last five.
    cacheOf({{1, QStringLiteral("Subject:abcd"), QStringLiteral("From:vwxyz"), QStringLiteral("Date:12345"),
              QStringLiteral("Body:text"), QStringLiteral("ann")}});
    maillook* list = shownList();
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->isVisible());
    EXPECT_EQ(list->windowTitle(), "メール確認ウィンドウ");
    ASSERT_EQ(list->ListView1->topLevelItemCount(), 1);
    const QTreeWidgetItem* item = list->ListView1->topLevelItem(0);
    EXPECT_EQ(item->text(0), "abcd");
    EXPECT_EQ(item->text(1), "vwxyz");
    EXPECT_EQ(item->text(2), "12345");
    EXPECT_EQ(item->text(3), "ann");
    const QTreeWidgetItem* header = list->ListView1->headerItem();
    EXPECT_EQ((QStringList{header->text(0), header->text(1), header->text(2), header->text(3)}),
              (QStringList{"件名", "差出人", "日付", "アカウント"}));
    EXPECT_EQ(list->ListView1->header()->sectionSize(0), 200);
    EXPECT_EQ(list->ListView1->header()->sectionSize(1), 180);
    EXPECT_EQ(list->ListView1->header()->sectionSize(2), 120);
    EXPECT_EQ(list->ListView1->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_FALSE(list->ListView1->isSortingEnabled());
    EXPECT_TRUE(list->Text1->isReadOnly());
    EXPECT_EQ(list->Command1->text(), "閉じる");
}

TEST_F(MailWindows, AnEmptyCacheGivesAnEmptyListWithItsColumns) {
    cacheOf({});
    maillook* list = shownList();
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->isVisible());
    EXPECT_EQ(list->ListView1->topLevelItemCount(), 0);
    EXPECT_EQ(list->ListView1->columnCount(), 4);
}

TEST_F(MailWindows, TheLoadStopsTheBusyAnimation) {
    cacheOf(threeRows());
    stage.running |= Stage::BusyAnimation;
    shownList();
    EXPECT_FALSE(stage.Running(Stage::BusyAnimation));
}

// No cache, an aborted download, a cache that is no database: voice 21, never shown.
TEST_F(MailWindows, TheFailurePathSaysSoAndNeverShows) {
    struct Case {
        const char* name;
        std::function<void()> prepare;
    };
    const Case cases[] = {
        {"no cache", [] {}},
        {"aborted",
         [this] {
             cacheOf(threeRows());
             flag::state.MailAbort = 1;
         }},
        {"unreadable",
         [] {
             QFile file(mail::cache::path());
             ASSERT_TRUE(file.open(QIODevice::WriteOnly));
             file.write(QByteArray(4096, 'x'));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(mail::cache::path());
        talk->calls.clear();
        stage.calls.clear();
        c.prepare();
        maillook::Show();
        EXPECT_EQ(maillook::Instance(), nullptr);
        EXPECT_EQ(spoken(),
                  (QStringList{"PlayCommonVoice 21", "ShowFuki サーバーへのアクセスに失敗しました"}));
        EXPECT_EQ(flag::state.VoicePath, services::commonVoicePath(QStringLiteral("21")));
        EXPECT_TRUE(stage.calls.contains(QStringLiteral("GiveBackStage")));
        EXPECT_EQ(flag::state.MailAbort, 0);
        for (QWidget* w : QApplication::topLevelWidgets())
            EXPECT_FALSE(w->isVisible() && w->windowTitle() == QStringLiteral("メール確認ウィンドウ"));
    }
    // Cleared, the flag lets the next showing list what the cache holds.
    cacheOf(threeRows());
    maillook* list = shownList();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->ListView1->topLevelItemCount(), 3);
}

TEST_F(MailWindows, AClickShowsTheBodyOfThatRowsId) {
    // Ids out of step with the positions: the row's own id is read.
    cacheOf({row(5, QStringLiteral("Subject:a")), row(6, QStringLiteral("Subject:b")),
             row(9, QStringLiteral("Subject:c"))});
    maillook* list = shownList();
    ASSERT_NE(list, nullptr);
    const QTreeWidgetItem* third = list->ListView1->topLevelItem(2);
    QTest::mouseClick(list->ListView1->viewport(), Qt::LeftButton, {},
                      list->ListView1->visualItemRect(third).center());
    EXPECT_EQ(list->Text1->toPlainText(), "body 9");
    // A row gone from the cache leaves the body as it was.
    ASSERT_TRUE(mail::cache::create());
    select(list, 0);
    EXPECT_EQ(list->Text1->toPlainText(), "body 9");
}

// The right button picks a row as the left one does: the body shown is the picked row's, and
// "返信する" answers the message on screen.
TEST_F(MailWindows, ARowPickedByTheRightButtonShowsItsBodyAndIsAnswered) {
    cacheOf(threeRows());
    maillook* list = shownList();
    ASSERT_NE(list, nullptr);
    QWidget* rows = list->ListView1->viewport();
    const auto centre = [list](int row) {
        return list->ListView1->visualItemRect(list->ListView1->topLevelItem(row)).center();
    };
    QTest::mouseClick(rows, Qt::LeftButton, {}, centre(2));
    EXPECT_EQ(list->Text1->toPlainText(), "body 3");
    QTest::mouseClick(rows, Qt::RightButton, {}, centre(0));
    EXPECT_TRUE(list->sendto->isVisible());
    list->sendto->hide();
    EXPECT_EQ(list->Text1->toPlainText(), "body 1");
    list->resend->trigger();
    ASSERT_NE(sendF::Instance(), nullptr);
    EXPECT_EQ(texts(sendF::Instance()), (QStringList{"ann <a@x.example>", "Re:first", ""}));
    // The keys move the pick, and the body follows.
    list->ListView1->setFocus();
    QTest::keyClick(list->ListView1, Qt::Key_Down);
    EXPECT_EQ(list->Text1->toPlainText(), "body 2");
    // A right click below the rows leaves the pick and its body as they are.
    QTest::mouseClick(rows, Qt::RightButton, {}, QPoint(centre(2).x(), rows->height() - 2));
    list->sendto->hide();
    EXPECT_EQ(list->ListView1->selectedItems(), QList<QTreeWidgetItem*>{list->ListView1->topLevelItem(1)});
    EXPECT_EQ(list->Text1->toPlainText(), "body 2");
    // A Ctrl+click on the picked row, left or right, leaves it picked: the body on screen is always
    // the one answered.
    for (const Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton}) {
        QTest::mouseClick(rows, button, Qt::ControlModifier, centre(1));
        list->sendto->hide();
        EXPECT_EQ(list->ListView1->selectedItems(), QList<QTreeWidgetItem*>{list->ListView1->topLevelItem(1)});
        EXPECT_EQ(list->Text1->toPlainText(), "body 2");
    }
}

TEST_F(MailWindows, ShowingALoadedListFillsItAfresh) {
    cacheOf(threeRows());
    shownList();
    cacheOf({row(1, QStringLiteral("Subject:new one"))});
    maillook* list = shownList();
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->ListView1->topLevelItemCount(), 1);
    EXPECT_EQ(list->ListView1->topLevelItem(0)->text(0), "new one");
}

TEST_F(MailWindows, TheSplitterStaysBetweenItsLimitsAndThePanesFollow) {
    cacheOf(threeRows());
    maillook* list = shownList();
    ASSERT_NE(list, nullptr);
    list->resize(644, 531);
    QWidget* bar = list->Picture1;
    EXPECT_EQ(bar->y(), 8 + 121);
    EXPECT_EQ(bar->height(), 4);
    EXPECT_EQ(bar->width(), 644 - 3);
    EXPECT_EQ(list->StatusBar1->geometry().bottom(), 531 - 1);
    EXPECT_EQ(list->Text1->y(), 8 + 121 + 4);

    mouse(bar, QEvent::MouseButtonPress, 1);
    EXPECT_TRUE(list->Dragging);
    EXPECT_EQ(bar->cursor().shape(), Qt::SizeVerCursor);
    EXPECT_EQ(bar->palette().color(QPalette::Window), list->palette().color(QPalette::Dark));
    const struct { int by, top; } moves[] = {{-200, 100}, {60, 160}, {1000, 531 - 100}};
    for (const auto& move : moves) {
        mouse(bar, QEvent::MouseMove, move.by);
        EXPECT_EQ(bar->y(), move.top);
        EXPECT_EQ(list->ListView1->height(), move.top - 8);
        EXPECT_EQ(list->Text1->y(), move.top + 4);
        EXPECT_EQ(list->Text1->height(), 531 - (move.top - 8 + 4) - 58);
    }
    mouse(bar, QEvent::MouseButtonRelease, 0);
    EXPECT_FALSE(list->Dragging);
    EXPECT_EQ(bar->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(bar->palette().color(QPalette::Window), list->palette().color(QPalette::Button));

    // Without a button held, a move only lays out again.
    mouse(bar, QEvent::MouseMove, 50);
    EXPECT_EQ(bar->y(), 531 - 100);

    // A resize keeps the text box's top and gives it inner height - 186.
    const int textTop = list->Text1->y();
    list->resize(700, 600);
    EXPECT_EQ(list->Text1->y(), textTop);
    EXPECT_EQ(list->Text1->height(), 600 - 186);
    EXPECT_EQ(list->Text1->width(), 700 - 3);
    EXPECT_EQ(list->ListView1->width(), 700 - 3);
    EXPECT_EQ(list->Command1->pos(), QPoint(700 - 84, 600 - 43));
    EXPECT_EQ(bar->y(), list->ListView1->y() + list->ListView1->height());
}

TEST_F(MailWindows, TheOuterSizeKeeps4000Twips) {
    cacheOf(threeRows());
    maillook* list = shownList();
    ASSERT_NE(list, nullptr);
    const QSize frame = list->frameGeometry().size() - list->size();
    EXPECT_EQ(list->minimumSize(), QSize(267, 267) - frame);
    list->resize(100, 100);
    EXPECT_GE(list->frameGeometry().width(), 267);
    EXPECT_GE(list->frameGeometry().height(), 267);
}

// 閉じる and the close box alike: the program's own *.tmp go, nothing else, and her timers come back.
TEST_F(MailWindows, EveryCloseDeletesTheTemporaryMailFilesAndGivesBackTheTimers) {
    for (const bool button : {true, false}) {
        SCOPED_TRACE(button ? "閉じる" : "close box");
        cacheOf(threeRows());
        QDir().mkpath(mail::messageFolder());
        const QString temp = platform::tempFolder();
        const QStringList doomed{mail::messageFolder() + QStringLiteral("/ann-0.tmp"),
                                 temp + QStringLiteral("/x.tmp")};
        const QStringList kept{mail::messageFolder() + QStringLiteral("/note.txt"),
                               home.file(QStringLiteral("mine.tmp"))};
        for (const QString& name : doomed + kept) {
            QFile file(name);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << name.toStdString();
        }
        maillook* list = shownList();
        ASSERT_NE(list, nullptr);
        stage.calls.clear();
        if (button)
            QTest::mouseClick(list->Command1, Qt::LeftButton);
        else
            list->close();
        EXPECT_EQ(maillook::Instance(), nullptr);
        EXPECT_EQ(stage.calls, QStringList{"GiveBackStage"});
        for (const QString& name : doomed)
            EXPECT_FALSE(QFile::exists(name)) << name.toStdString();
        for (const QString& name : kept)
            EXPECT_TRUE(QFile::exists(name)) << name.toStdString();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(MailWindows, ThePopupOffersReplyAndADeleteThatDoesNothing) {
    cacheOf(threeRows());
    maillook* list = shownList();
    ASSERT_NE(list, nullptr);
    QStringList items;
    for (QAction* action : list->sendto->actions())
        items << action->text();
    EXPECT_EQ(list->sendto->title(), "メール");
    EXPECT_EQ(items, (QStringList{"返信する", "サーバから削除する"}));
    select(list, 0);
    QTest::mouseRelease(list->ListView1->viewport(), Qt::RightButton, {},
                        list->ListView1->visualItemRect(list->ListView1->topLevelItem(0)).center());
    EXPECT_TRUE(list->sendto->isVisible());
    list->sendto->hide();
    list->delmail->trigger();
    EXPECT_EQ(sendF::Instance(), nullptr);
    EXPECT_EQ(list->ListView1->topLevelItemCount(), 3);
    EXPECT_TRUE(sent.empty());
}

TEST_F(MailWindows, AReplyTakesTheSelectedSenderAndSubject) {
    cacheOf(threeRows());
    maillook* list = shownList();
    ASSERT_NE(list, nullptr);
    select(list, 1);
    list->resend->trigger();
    sendF* window = sendF::Instance();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "メールを送る");
    EXPECT_EQ(texts(window), (QStringList{"ann <a@x.example>", "Re:Re:second", ""}));

    // やめる keeps the texts: another reply shows them again without a new prefill.
    window->sendbody->setPlainText(QStringLiteral("typed"));
    QTest::mouseClick(window->Command2, Qt::LeftButton);
    EXPECT_FALSE(window->isVisible());
    select(list, 0);
    list->resend->trigger();
    EXPECT_EQ(sendF::Instance(), window);
    EXPECT_EQ(texts(window), (QStringList{"ann <a@x.example>", "Re:Re:second", "typed"}));
}

TEST_F(MailWindows, AReplyWithoutSelectionOrListStartsEmpty) {
    cacheOf(threeRows());
    shownList();
    sendF::Show();
    ASSERT_NE(sendF::Instance(), nullptr);
    EXPECT_EQ(texts(sendF::Instance()), (QStringList{"", "", ""}));
    sendF::Unload();
    maillook::Unload();
    sendF::Show();
    EXPECT_EQ(texts(sendF::Instance()), (QStringList{"", "", ""}));
}

TEST_F(MailWindows, TheComposeWindowIsLaidOutAsDesigned) {
    sendF::Show();
    sendF* w = sendF::Instance();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->size(), QSize(530, 386));
    EXPECT_EQ(w->Command1->text(), "送信");
    EXPECT_EQ(w->Command2->text(), "やめる");
    EXPECT_EQ(w->Label1->text(), "宛先：");
    EXPECT_EQ(w->Label2->text(), "件名：");
    EXPECT_EQ(w->Command1->geometry(), QRect(8, 8, 73, 17));
    EXPECT_EQ(w->sendaddress->geometry(), QRect(48, 32, 473, 18));
    EXPECT_EQ(w->sendtitle->geometry(), QRect(48, 56, 473, 18));
    EXPECT_EQ(w->sendbody->geometry(), QRect(8, 80, 513, 297));
    // The tab order: recipient, subject, body, 送信, やめる.
    QList<QWidget*> order;
    QWidget* at = w->sendaddress;
    for (int i = 0; i < 5; ++i, at = at->nextInFocusChain()) {
        while (!(at->focusPolicy() & Qt::TabFocus))
            at = at->nextInFocusChain();
        order << at;
    }
    EXPECT_EQ(order, (QList<QWidget*>{w->sendaddress, w->sendtitle, w->sendbody, w->Command1, w->Command2}));
}

TEST_F(MailWindows, ASentMailClosesTheWindowWithABalloon) {
    setUpSending(QStringLiteral("smtp.example:2525"), QStringLiteral("me@example.jp"));
    for (const bool bcc : {false, true}) {
        SCOPED_TRACE(bcc ? "blind copy" : "no blind copy");
        key("bccM", bcc ? QStringLiteral("1") : QStringLiteral("0"));
        sent.clear();
        talk->calls.clear();
        sendF::Show();
        typeInto(sendF::Instance(), QStringLiteral("you@example.com"), QStringLiteral("Re:やあ"),
                 QStringLiteral("本文\nです"));
        QTest::mouseClick(sendF::Instance()->Command1, Qt::LeftButton);
        EXPECT_EQ(sendF::Instance(), nullptr);
        EXPECT_EQ(spoken(), QStringList{"ShowFuki 送信完了しました"});
        EXPECT_TRUE(boxes.isEmpty());
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(sent[0].folder, platform::programFolder());
        EXPECT_EQ(sent[0].server, "smtp.example:2525");
        EXPECT_EQ(sent[0].recipient,
                  QString::fromUtf8(bcc ? "you@example.com\tbcc\tme@example.jp" : "you@example.com"));
        EXPECT_EQ(sent[0].sender, "me@example.jp");
        EXPECT_EQ(sent[0].subject, "Re:やあ");
        EXPECT_EQ(sent[0].body, "本文\nです");
        EXPECT_EQ(sent[0].seventh, "");
        // No mail check may start while the server is asked; afterwards they may again.
        EXPECT_EQ(busyWhileSending.takeLast(), 1);
        EXPECT_EQ(flag::state.MailBusy, 0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// Whatever fails, the window stays with the three texts as typed.
TEST_F(MailWindows, AFailedSendKeepsTheWindowAndItsTexts) {
    struct Case {
        const char* name;
        bool setUp;
        QStringList typed;
        QString reply;
        QStringList spoken, boxes;
        bool called;
    };
    const Case cases[] = {
        {"not set up",
         false,
         {"you@example.com", "Re:a", "b"},
         "",
         {"ShowFuki メール送信設定を行ってください"},
         {},
         false},
        {"empty body", true, {"you@example.com", "Re:a", ""}, "", {}, {"空欄があります"}, false},
        {"empty subject", true, {"you@example.com", "", "b"}, "", {}, {"空欄があります"}, false},
        {"empty address", true, {"", "Re:a", "b"}, "", {}, {"空欄があります"}, false},
        {"blanks are not empty",
         true,
         {" ", " ", " "},
         "宛先が正しくありません",
         {},
         {"パラメータエラーです宛先が正しくありません"},
         true},
        {"refused",
         true,
         {"you@example.com", "Re:a", "b"},
         "550 5.1.1 no such user",
         {},
         {"パラメータエラーです550 5.1.1 no such user"},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(settings_db::path());
        if (c.setUp)
            setUpSending(QStringLiteral("smtp.example"), QStringLiteral("me@example.jp"));
        sent.clear();
        boxes.clear();
        talk->calls.clear();
        reply = c.reply;
        sendF::Show();
        sendF* window = sendF::Instance();
        typeInto(window, c.typed[0], c.typed[1], c.typed[2]);
        QTest::mouseClick(window->Command1, Qt::LeftButton);
        EXPECT_EQ(sendF::Instance(), window);
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(texts(window), c.typed);
        EXPECT_EQ(spoken(), c.spoken);
        EXPECT_EQ(boxes, c.boxes);
        EXPECT_EQ(sent.size(), c.called ? 1u : 0u);
        sendF::Unload();
    }
}

} // namespace
