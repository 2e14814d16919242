// The help page against the menus it explains: every item her menu, パルク's and ヴェンス's can show
// is a heading of the page, with its words as the menus build them.
#include "app/launcher/luncher.h"
#include "app/state/flag.h"
#include "app/window/morvik.h"
#include "palk_fixture.h"
#include "platform/pace.h"
#include "platform/program_folder.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>

namespace {

using namespace palk_test;

// The page's headings (<dt>): the words of each, without its markup; a heading naming two items
// as "A / B" names each of them.
QSet<QString> headings(const QString& page) {
    static const QRegularExpression dt(QStringLiteral("<dt>(.*?)</dt>"),
                                       QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
    QSet<QString> out;
    for (const QRegularExpressionMatch& m : dt.globalMatch(page)) {
        QString words = m.captured(1);
        words.remove(tag);
        for (const QString& one : words.split(QStringLiteral(" / ")))
            out.insert(one.trimmed());
    }
    return out;
}

// A menu's captions as shown (padding blanks, full-width ones too, trimmed), separators left out.
QStringList captions(const QMenu* menu, const QStringList& leftOut = {}) {
    QStringList out;
    for (const QAction* action : menu->actions())
        if (!action->isSeparator() && !leftOut.contains(action->objectName()))
            out << action->text().trimmed();
    return out;
}

class HelpPage : public Fixture {
protected:
    void TearDown() override {
        luncher::Unload();
        Fixture::TearDown();
    }
    static QString page() {
        QFile file(platform::dataFolder() + QStringLiteral("/help/morvik.html"));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
        return QString::fromUtf8(file.readAll());
    }
};

TEST_F(HelpPage, HeadsEveryItemOfHerMenuAndHerCompanions) {
    QStringList items;
    {
        morvik her;
        // ドゥイムの起動 is shown only for a program this system does not have: she never offers it.
        items << captions(her.settei, {QStringLiteral("open_dwim")});
        // 常に手前に表示 names its other state while she stays on top.
        flag::state.TopMost = QStringLiteral("0");
        her.temae_Click();
        items << her.temae->text();
    }
    platform::pace::Recorder recorder; // his first chores' pauses are recorded, not waited for
    palk* drone = palk::Show();
    ASSERT_NE(drone, nullptr);
    drone->ShowPopupMenu(QPoint(), false);
    items << captions(drone->migi_Pop);
    luncher* butler = luncher::Show();
    butler->ShowPopupMenu(QPoint(), false);
    items << captions(butler->migi_Pop2); // no entries registered: his own item alone

    ASSERT_GE(items.size(), 25); // her 18 and one caption's other state, his 5, the butler's 1
    const QSet<QString> heads = headings(page());
    QStringList missing;
    for (const QString& item : items)
        if (!heads.contains(item))
            missing << item;
    EXPECT_TRUE(missing.isEmpty()) << missing.join(QStringLiteral(", ")).toStdString();
}

} // namespace
