#include "file_size_limit.h"
#include "file_times.h"
#include "platform/ini_file.h"
#include "platform/look_batch.h"
#include "test_home.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>
#include <grp.h>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString readAll(const QString& path) {
    return QString::fromUtf8(readBytes(path));
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

struct IniCase {
    const char* name;
    const char* before; // file contents, or nullptr for no file
    const char* section;
    const char* key;
    const char* write;  // value written first, or nullptr for a read only
    const char* expect; // value read back, or nullptr for "absent"
};
void PrintTo(const IniCase& c, std::ostream* os) {
    *os << c.name;
}

class IniCases : public ::testing::TestWithParam<IniCase> {};

TEST_P(IniCases, ReadsBack) {
    const IniCase& c = GetParam();
    TestHome home;
    const QString path = home.file("mailSet.ini");
    const QString section = QString::fromUtf8(c.section), key = QString::fromUtf8(c.key);
    if (c.before)
        writeAll(path, c.before);
    if (c.write) {
        ASSERT_TRUE(platform::ini::write(path, section, key, QString::fromUtf8(c.write)));
    }
    const auto value = platform::ini::read(path, section, key);
    if (!c.expect) {
        EXPECT_FALSE(value.has_value());
    } else {
        ASSERT_TRUE(value.has_value());
        EXPECT_EQ(*value, QString::fromUtf8(c.expect));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Profile, IniCases,
    ::testing::Values(
        IniCase{"no_file", nullptr, "alice", "top", nullptr, nullptr},
        IniCase{"no_section", "[bob]\ntop=5\n", "alice", "top", nullptr, nullptr},
        IniCase{"other_users_section", "[bob]\ntop=5\n[alice]\ntop=7\n", "alice", "top", nullptr, "7"},
        IniCase{"names_ignore_case", "[Alice]\nTOP = 12 \n", "ALICE", "Top", nullptr, "12"},
        IniCase{"first_write_creates_file", nullptr, "alice", "temae", "1", "1"},
        IniCase{"empty_value", "[alice]\ntop=3\n", "alice", "top", "", ""},
        IniCase{"crlf_file", "[alice]\r\ntop=3\r\n", "alice", "top", nullptr, "3"},
        IniCase{"japanese_value", nullptr, "alice", "MasterName", "ご主人", "ご主人"},
        IniCase{"comment_is_not_a_key", "[alice]\n;top=1\n", "alice", "top", nullptr, nullptr},
        IniCase{"value_with_equals", "[alice]\ncmd=a=b\n", "alice", "cmd", nullptr, "a=b"},
        IniCase{"utf8_file", "[alice]\nMasterName=ご主人\n", "alice", "MasterName", nullptr, "ご主人"},
        IniCase{"utf8_file_with_bom", "\xef\xbb\xbf[alice]\ntop=3\n", "alice", "top", nullptr, "3"},
        // Saved by a Windows program: ご主人 in CP932.
        IniCase{"cp932_file", "[alice]\r\nMasterName=\x82\xb2\x8e\xe5\x90\x6c\r\n", "alice", "MasterName",
                nullptr, "ご主人"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IniFile, WriteKeepsOtherSectionsAndLines) {
    TestHome home;
    const QString path = home.file("mailSet.ini");
    writeAll(path, "; kept comment\n[bob]\ntop=5\nleft=6\n\n[alice]\ntop=1\nother=x\n");
    ASSERT_TRUE(platform::ini::write(path, "alice", "top", "99"));
    ASSERT_TRUE(platform::ini::write(path, "alice", "new", "n"));
    ASSERT_TRUE(platform::ini::write(path, "bob", "added", "b"));
    EXPECT_EQ(readAll(path),
              "; kept comment\n[bob]\ntop=5\nleft=6\nadded=b\n\n[alice]\ntop=99\nother=x\nnew=n\n");
}

TEST(IniFile, ACp932FileKeepsEveryKeyAndIsWrittenAsUtf8) {
    TestHome home;
    const QString path = home.file("mailSet.ini");
    // ご主人 and ①～ in CP932 (the last two are not in plain Shift-JIS), CRLF line ends.
    writeAll(path, "[bob]\r\nMasterName=\x82\xb2\x8e\xe5\x90\x6c\r\n"
                   "[alice]\r\nMasterName=\x87\x40\x81\x60\r\ntop=3\r\n");
    ASSERT_TRUE(platform::ini::write(path, "alice", "top", "4"));
    EXPECT_EQ(readBytes(path), QByteArray("[bob]\nMasterName=ご主人\n[alice]\nMasterName=①～\ntop=4\n"));
    EXPECT_EQ(platform::ini::read(path, "alice", "MasterName"), QStringLiteral("①～"));
    EXPECT_EQ(platform::ini::read(path, "bob", "MasterName"), QStringLiteral("ご主人"));
}

// The user a test takes on when it runs as root, who reads any file.
constexpr uid_t kNobody = 65534;

// Runs f in a child process that is refused files only their owner may read: as kNobody when
// the tests run as root. The child's exit status: 0 or 1 for f's result, 2 when it could not
// become kNobody.
int runUnprivileged(const std::function<bool()>& f) {
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0))
            _exit(2);
        _exit(f() ? 1 : 0);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return 2;
    return WEXITSTATUS(status);
}

TEST(IniFile, AFileThatCannotBeReadIsLeftAsItIs) {
    TestHome home;
    const QString path = home.file("mailSet.ini");
    const QByteArray before = "[alice]\nMasterName=x\ntop=3\n";
    writeAll(path, before);
    // Its owner may write it but not read it, in a folder open to everyone.
    const QByteArray file = QFile::encodeName(path);
    ASSERT_EQ(::chmod(QFile::encodeName(home.path()).constData(), 0777), 0);
    if (geteuid() == 0) {
        ASSERT_EQ(::chown(file.constData(), kNobody, kNobody), 0);
    }
    ASSERT_EQ(::chmod(file.constData(), 0200), 0);

    const int written = runUnprivileged([&] { return platform::ini::write(path, "alice", "top", "4"); });
    const int found = runUnprivileged([&] { return platform::ini::read(path, "alice", "top").has_value(); });
    ::chmod(file.constData(), 0600);
    if (written == 2)
        GTEST_SKIP() << "could not run as an unprivileged user";
    EXPECT_EQ(written, 0);
    EXPECT_EQ(found, 0);
    EXPECT_EQ(readBytes(path), before);
}

TEST(IniFile, AFileOfBytesNoEncodingHoldsIsReadButNotRewritten) {
    // Neither UTF-8 nor CP932: writing it back would turn the bad bytes into '?'.
    TestHome home;
    const QString path = home.file("mailSet.ini");
    const QByteArray before = "[alice]\nMasterName=\xff\xfe\ntop=3\n";
    writeAll(path, before);
    EXPECT_EQ(platform::ini::read(path, "alice", "top"), QStringLiteral("3"));
    EXPECT_FALSE(platform::ini::write(path, "alice", "top", "4"));
    EXPECT_EQ(readBytes(path), before);
}

TEST(IniFile, LongValueRoundTrips) {
    TestHome home;
    const QString path = home.file("mailSet.ini");
    const QString longPath = QStringLiteral("/opt/アプリ/") + QString(600, QLatin1Char('x'));
    ASSERT_TRUE(platform::ini::write(path, "alice", "lunch_path1", longPath));
    EXPECT_EQ(platform::ini::read(path, "alice", "lunch_path1").value_or(QString()), longPath);
}

TEST(IniFile, LineBreakInValueIsRefusedAndFileUnchanged) {
    TestHome home;
    const QString path = home.file("mailSet.ini");
    writeAll(path, "[alice]\ntop=1\n");
    EXPECT_FALSE(platform::ini::write(path, "alice", "top", "2\n[evil]\nx=1"));
    EXPECT_EQ(readAll(path), "[alice]\ntop=1\n");
}

TEST(IniFile, ABatchWriteStoresEveryKeyInOrderInOneRewrite) {
    TestHome home;
    const QString path = home.file("mailSet.ini");
    writeAll(path, "[alice]\nflag3=1\nkept=k\n\n[bob]\nflag2=9\n");
    ASSERT_TRUE(platform::ini::writeAll(path, "alice", {{"flag2", "0"}, {"flag3", "0"}, {"shutdown", "1"}}));
    // Known keys keep their lines, new ones follow the section's last line in the order given.
    EXPECT_EQ(readAll(path), "[alice]\nflag3=0\nkept=k\nflag2=0\nshutdown=1\n\n[bob]\nflag2=9\n");
    ASSERT_TRUE(platform::ini::writeAll(path, "carol", {{"b", "2"}, {"a", "1"}}));
    EXPECT_TRUE(readAll(path).endsWith("\n\n[carol]\nb=2\na=1\n"));
}

TEST(IniFile, ABatchWithOneBadPairWritesNothing) {
    TestHome home;
    const QString path = home.file("mailSet.ini");
    const QByteArray before = "[alice]\ntop=1\n";
    writeAll(path, before);
    for (const platform::ini::Pairs& pairs :
         {platform::ini::Pairs{{"top", "2"}, {"name", "a\nb"}},
          platform::ini::Pairs{{"top", "2"}, {"=x", "1"}}, platform::ini::Pairs{{"top", "2"}, {"", "1"}}}) {
        EXPECT_FALSE(platform::ini::writeAll(path, "alice", pairs));
        EXPECT_EQ(readBytes(path), before);
    }
}

TEST(IniFile, ABackupPutsTheFileBackAsItWas) {
    TestHome home;
    const QString path = home.file("mailSet.ini");
    const platform::ini::Backup none(path);
    ASSERT_TRUE(platform::ini::writeAll(path, "alice", {{"top", "1"}}));
    EXPECT_TRUE(none.restore());
    EXPECT_FALSE(QFile::exists(path));

    const QByteArray before = "; mine\r\n[alice]\r\ntop=1\r\n";
    writeAll(path, before);
    const platform::ini::Backup some(path);
    ASSERT_TRUE(platform::ini::writeAll(path, "alice", {{"top", "2"}, {"left", "3"}}));
    EXPECT_TRUE(some.restore());
    EXPECT_EQ(readBytes(path), before);
}

TEST(IniFile, FailedWriteIsReported) {
    TestHome home;
    const QString notAFolder = home.file("plain");
    writeAll(notAFolder, "x");
    EXPECT_FALSE(platform::ini::write(notAFolder + "/mailSet.ini", "alice", "top", "2"));
}

TEST(IniFile, AFullDiskKeepsEveryKeyAndReportsTheFailure) {
    TestHome home;
    const QString path = home.file("mailSet.ini");
    const QByteArray before = "[alice]\ntop=1\nleft=2\n[bob]\ntop=3\n";
    writeAll(path, before);
    const platform::ini::Backup backup(path);
    bool written = true, restored = true;
    {
        const FileSizeLimit limit(before.size() - 1);
        written = platform::ini::write(path, "alice", "top", "12345");
        restored = backup.restore();
    }
    EXPECT_FALSE(written);
    EXPECT_FALSE(restored);
    EXPECT_EQ(readBytes(path), before);
    EXPECT_EQ(QDir(home.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"mailSet.ini"});
}

// A failed write says why, without the file's name: the system's reason where it has one.
TEST(IniFile, AFailedWriteSaysWhy) {
    const QByteArray before = "[alice]\ntop=1\nleft=2\n";
    const struct {
        const char* name;
        std::function<void(const QString&)> lay; // what is at the path before the write
        const char* value;
        bool full; // the disk is full (a file size limit below the file's size)
        QString why;
    } cases[] = {
        {"full disk", [&](const QString& path) { writeAll(path, before); }, "12345", true,
         QStringLiteral("cannot write: ") + QString::fromLocal8Bit(std::strerror(EFBIG))},
        {"folder", [](const QString& path) { QDir().mkpath(path); }, "1", false,
         QStringLiteral("it is a folder")},
        {"line break", [&](const QString& path) { writeAll(path, before); }, "1\n2", false,
         QStringLiteral("the key \"top\" or its value cannot be stored")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestHome home;
        const QString path = home.file("mailSet.ini");
        c.lay(path);
        QString why;
        bool written = true;
        {
            std::optional<FileSizeLimit> limit;
            if (c.full)
                limit.emplace(before.size() - 1);
            written = platform::ini::write(path, "alice", "top", QString::fromUtf8(c.value), &why);
        }
        EXPECT_FALSE(written);
        EXPECT_EQ(why, c.why);
    }
}

TEST(IniFile, TheFileIsReadableByItsOwnerOnly) {
    // It holds the mail password, as MAIL.INI does.
    TestHome home;
    const QString path = home.file("mailSet.ini");
    const QByteArray encoded = QFile::encodeName(path);
    const auto mode = [&] {
        struct stat info {};
        return ::stat(encoded.constData(), &info) == 0 ? info.st_mode & 0777 : 0;
    };
    const mode_t mask = ::umask(022);
    EXPECT_TRUE(platform::ini::write(path, "alice", "top", "1"));
    EXPECT_EQ(mode(), 0600u) << "created";
    ::chmod(encoded.constData(), 0644);
    EXPECT_TRUE(platform::ini::write(path, "alice", "top", "2"));
    EXPECT_EQ(mode(), 0600u) << "rewritten";
    ::chmod(encoded.constData(), 0644);
    const platform::ini::Backup backup(path);
    EXPECT_TRUE(backup.restore());
    EXPECT_EQ(mode(), 0600u) << "restored";
    ::umask(mask);
}

TEST(IniFile, KilledWriterNeverLeavesHalfAFile) {
    // A writer killed at a random moment leaves either the old or the new file, whole.
    TestHome home;
    const QString path = home.file("mailSet.ini");
    const QString a(200000, QLatin1Char('a')), b(200000, QLatin1Char('b'));
    ASSERT_TRUE(platform::ini::write(path, "alice", "v", a));
    for (int round = 0; round < 5; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 0;; ++i)
                platform::ini::write(path, "alice", "v", i % 2 ? a : b);
        }
        usleep(20000 + 7000 * round);
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        const QString value = platform::ini::read(path, "alice", "v").value_or(QString());
        EXPECT_TRUE(value == a || value == b) << "round " << round << ": length " << value.size();
    }
}

TEST(IniFile, WriteIsAtomic) {
    // The new contents are complete in the file the moment it appears; no temporary file is left.
    TestHome home;
    const QString path = home.file("mailSet.ini");
    for (int i = 0; i < 50; ++i)
        ASSERT_TRUE(platform::ini::write(path, "alice", QStringLiteral("k%1").arg(i), QString::number(i)));
    EXPECT_EQ(QDir(home.path()).entryList(QDir::Files), QStringList{"mailSet.ini"});
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(platform::ini::read(path, "alice", QStringLiteral("k%1").arg(i)), QString::number(i));
}

// ---- reads served from memory --------------------------------------------------------------------

struct ChangeCase {
    const char* name;
    bool trusted; // every stamp trusted at once, the file dated long ago: the stamp alone must tell
    std::function<void(const QString& path)> change; // turns top=1111 into top=2222, or removes it
    const char* after;
};
void PrintTo(const ChangeCase& c, std::ostream* os) {
    *os << c.name;
}

void renameOver(const QString& from, const QString& to) {
    ASSERT_EQ(::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()), 0);
}

// A settings file read once before the change: backdated, and its stamps trusted, unless the
// case is about a file written a moment ago.
class ChangeBetweenReads : public ::testing::TestWithParam<ChangeCase> {
protected:
    void SetUp() override {
        writeAll(path, "[alice]\ntop=1111\nleft=5\n");
        if (GetParam().trusted) {
            trusted.emplace();
            backdate(path);
        }
    }
    // The value after the change, as the case expects it.
    void expectAfter(const std::optional<QString>& value) const {
        if (GetParam().after)
            EXPECT_EQ(value, QString::fromUtf8(GetParam().after));
        else
            EXPECT_FALSE(value.has_value());
    }
    TestHome home;
    const QString path = home.file("mailSet.ini");
    std::optional<TrustedStamps> trusted;
};

TEST_P(ChangeBetweenReads, TheNextReadSeesIt) {
    ASSERT_EQ(platform::ini::read(path, "alice", "top"), QStringLiteral("1111"));
    GetParam().change(path);
    const auto value = platform::ini::read(path, "alice", "top");
    expectAfter(value);
}

// The timers read within their beat's LookBatch: a change between two beats is seen by the second.
TEST_P(ChangeBetweenReads, TheNextBeatSeesIt) {
    for (int beat = 0; beat < 2; ++beat) {
        const platform::LookBatch batch;
        ASSERT_EQ(platform::ini::read(path, "alice", "top"), QStringLiteral("1111"));
    }
    GetParam().change(path);
    const platform::LookBatch batch;
    const auto value = platform::ini::read(path, "alice", "top");
    expectAfter(value);
}

INSTANTIATE_TEST_SUITE_P(
    Cache, ChangeBetweenReads,
    ::testing::Values(
        ChangeCase{"saved_by_the_program", true,
                   [](const QString& p) { ASSERT_TRUE(platform::ini::write(p, "alice", "top", "2222")); },
                   "2222"},
        ChangeCase{"edited_by_hand_to_the_same_size", true,
                   [](const QString& p) { writeAll(p, "[alice]\ntop=2222\nleft=5\n"); }, "2222"},
        // Two writes of one size within the file system's time step leave the stamp as it was:
        // a fresh file is read again until its last change has settled.
        ChangeCase{"edited_by_hand_at_once_after_the_last_write", false,
                   [](const QString& p) { writeAll(p, "[alice]\ntop=2222\nleft=5\n"); }, "2222"},
        ChangeCase{"edited_by_hand_and_redated_at_once", false,
                   [](const QString& p) {
                       const QString before = p + ".before";
                       writeAll(before, "");
                       copyModified(p, before);
                       writeAll(p, "[alice]\ntop=2222\nleft=5\n");
                       copyModified(before, p);
                   },
                   "2222"},
        ChangeCase{"replaced_by_rename_with_the_same_size_and_time", true,
                   [](const QString& p) {
                       const QString next = p + ".new";
                       writeAll(next, "[alice]\ntop=2222\nleft=5\n");
                       copyModified(p, next);
                       renameOver(next, p);
                   },
                   "2222"},
        ChangeCase{"deleted", true, [](const QString& p) { ASSERT_TRUE(QFile::remove(p)); }, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

// A handler that saves a key and reads it back in the same beat reads what it saved.
TEST(IniFile, AWriteOfTheProgramIsSeenInTheSameMoment) {
    TestHome home;
    TrustedStamps trusted;
    const QString path = home.file("mailSet.ini");
    writeAll(path, "[alice]\ntop=1111\n");
    backdate(path);
    ASSERT_EQ(platform::ini::read(path, "alice", "top"), QStringLiteral("1111"));
    const platform::LookBatch beat;
    ASSERT_EQ(platform::ini::read(path, "alice", "top"), QStringLiteral("1111"));
    ASSERT_TRUE(platform::ini::write(path, "alice", "top", "2222"));
    EXPECT_EQ(platform::ini::read(path, "alice", "top"), QStringLiteral("2222"));
    ASSERT_TRUE(platform::ini::writeAll(path, "Alice", {{"top", "3333"}, {"left", "4"}}));
    EXPECT_EQ(platform::ini::read(path, "alice", "TOP"), QStringLiteral("3333"));
    EXPECT_EQ(platform::ini::read(path, "alice", "left"), QStringLiteral("4"));
}

TEST(IniFile, AFileCreatedAfterAReadOfNoneIsSeen) {
    TestHome home;
    TrustedStamps trusted;
    const QString path = home.file("mailSet.ini");
    EXPECT_FALSE(platform::ini::read(path, "alice", "top").has_value());
    writeAll(path, "[alice]\ntop=7\n");
    EXPECT_EQ(platform::ini::read(path, "alice", "top"), QStringLiteral("7"));
}

} // namespace
