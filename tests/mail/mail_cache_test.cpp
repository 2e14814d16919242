#include "app/mail/mail_cache.h"
#include "platform/program_folder.h"
#include "test_home.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

using mail::cache::Row;

Row row(qint64 id, const QString& subject, const QString& user) {
    return {id, subject, QStringLiteral("From:x"), QStringLiteral("Date:d"), QStringLiteral("Body:b"), user};
}

TEST(MailCache, IdsRunOverTwoAccountsInOrderAndTextsComeBackAsWritten) {
    TestHome home;
    ASSERT_TRUE(mail::cache::create());
    ASSERT_TRUE(mail::cache::append({row(1, "007", "ann"), row(2, " 12", "ann"), row(3, "c", "ann")}));
    ASSERT_TRUE(mail::cache::append({row(4, "d", "bob"), row(5, "e", "bob")}));
    const auto rows = mail::cache::readAll();
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->size(), 5u);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ((*rows)[std::size_t(i)].id, i + 1);
    EXPECT_EQ((*rows)[0].subject, "007");
    EXPECT_EQ((*rows)[1].subject, " 12");
    EXPECT_EQ((*rows)[3].user, "bob");
    EXPECT_EQ((*rows)[4].user, "bob");
    EXPECT_EQ(mail::cache::read(2)->subject, " 12");
    EXPECT_FALSE(mail::cache::read(6));
}

TEST(MailCache, AFailingRowStoresNoneOfItsAccount) {
    TestHome home;
    ASSERT_TRUE(mail::cache::create());
    ASSERT_TRUE(mail::cache::append({row(1, "a", "ann")}));
    // Id 1 again: the second row fails, and the first of the same call goes with it.
    EXPECT_FALSE(mail::cache::append({row(2, "b", "bob"), row(1, "c", "bob")}));
    const auto rows = mail::cache::readAll();
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->size(), 1u);
    EXPECT_EQ((*rows)[0].user, "ann");
}

TEST(MailCache, ANewCacheStartsEmptyAndAStaleJournalIsGone) {
    TestHome home;
    ASSERT_TRUE(mail::cache::create());
    ASSERT_TRUE(mail::cache::append({row(1, "old", "ann"), row(2, "old", "ann")}));
    {
        QFile journal(mail::cache::path() + QStringLiteral("-journal"));
        ASSERT_TRUE(journal.open(QIODevice::WriteOnly));
        journal.write("not a journal of the new file");
    }
    ASSERT_TRUE(mail::cache::create());
    EXPECT_FALSE(QFile::exists(mail::cache::path() + QStringLiteral("-journal")));
    EXPECT_EQ(mail::cache::readAll()->size(), 0u);
    ASSERT_TRUE(mail::cache::append({row(1, "new", "bob")}));
    EXPECT_EQ(mail::cache::readAll()->at(0).subject, "new");
}

TEST(MailCache, NoCacheReadsAsNothing) {
    TestHome home;
    EXPECT_FALSE(mail::cache::readAll());
    EXPECT_FALSE(mail::cache::append({row(1, "a", "ann")}));
}

} // namespace
